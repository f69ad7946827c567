// The program's defaults as the page's form writes them, in one object so that a build can
// put one generated from the program's own in its place.
'use strict';
var RATIOHUNT_DEFAULTS = {target: '7/6', factors: '2 3 5', mode: 'successive', low: '40', high: '60', maxq: '1000000',
                          precision: '5', timeout: '4', every: false};
