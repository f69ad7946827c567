// The plot beside the table, drawn on a canvas so that 100,000 points cost no DOM nodes.
// Range mode: size in cents against Tenney height, coloured by prime limit. Successive
// mode: the order found against |distance| in cents on a log scale. Hover and keyboard
// show a point's record; a click selects it; a drag zooms to an x range.
'use strict';

(function (exports) {
  const MARGIN = {left: 58, right: 14, top: 12, bottom: 36};
  const POINT = 4;
  const HIT_PIXELS = 8;
  const DRAG_PIXELS = 4;
  const SMALLEST_DISTANCE = 1e-12;  // where an exact hit sits on the log scale
  const LIMIT_COLOURS = {0: '#2b4cb3', 1: '#777', 2: '#777', 3: '#1f77b4', 5: '#2ca02c', 7: '#d62728', 11: '#9467bd',
                         13: '#8c564b', 17: '#e377c2', 19: '#17becf', 23: '#bcbd22', 29: '#ff7f0e'};
  const HIGHER_LIMIT_COLOUR = '#222';

  function colourOf(limit) { return LIMIT_COLOURS[limit] || HIGHER_LIMIT_COLOUR; }

  // Ticks at 1, 2 or 5 times a power of 10, about count of them across [low, high]: the
  // step nearest, on a log scale, to an even share.
  function niceTicks(low, high, count) {
    const raw = (high - low) / count;
    const power = 10 ** Math.floor(Math.log10(raw));
    const away = (candidate) => Math.abs(Math.log(candidate / raw));
    const step = [1, 2, 5, 10].map((m) => m * power)
                     .reduce((best, candidate) => (away(candidate) < away(best) ? candidate : best));
    const ticks = [];
    for (let value = Math.ceil(low / step) * step; value <= high + step * 1e-9; value += step) {
      ticks.push(Math.abs(value) < step * 1e-9 ? 0 : value);
    }
    return ticks;
  }

  function tickText(value) { return String(Number(value.toPrecision(6))); }

  function createPlot(canvas, tooltip, handlers) {
    const plot = {
      store: null,
      view: new Uint32Array(0),
      mode: 'range',
      selected: -1,  // a record index
      hover: -1,
      zoom: null,  // {from, to} on the x axis
      screenX: new Float32Array(0),
      screenY: new Float32Array(0),
      pointCount: 0,
      drag: null,
      xOrder: null,  // the view's positions sorted by x, for the arrow keys
    };

    const context = canvas.getContext('2d');
    const valueX = (i) => (plot.mode === 'range' ? plot.store.cents[i] : i + 1);
    const valueY = (i) => (plot.mode === 'range' ? plot.store.tenney[i] :
                                                   Math.log10(Math.max(Math.abs(plot.store.distance[i]), SMALLEST_DISTANCE)));

    function size() {
      const ratio = window.devicePixelRatio || 1;
      const width = canvas.clientWidth;
      const height = canvas.clientHeight;
      if (canvas.width !== Math.round(width * ratio) || canvas.height !== Math.round(height * ratio)) {
        canvas.width = Math.round(width * ratio);
        canvas.height = Math.round(height * ratio);
      }
      context.setTransform(ratio, 0, 0, ratio, 0, 0);
      return {width, height};
    }

    // The x and y ranges: the zoom (or every point) across, the points inside it up and down.
    function ranges() {
      let xLow = Infinity;
      let xHigh = -Infinity;
      for (const i of plot.view) {
        const x = valueX(i);
        if (x < xLow) xLow = x;
        if (x > xHigh) xHigh = x;
      }
      if (plot.zoom) [xLow, xHigh] = [plot.zoom.from, plot.zoom.to];
      let yLow = plot.mode === 'range' ? 0 : Infinity;
      let yHigh = -Infinity;
      for (const i of plot.view) {
        const x = valueX(i);
        if (x < xLow || x > xHigh) continue;
        const y = valueY(i);
        if (y < yLow) yLow = y;
        if (y > yHigh) yHigh = y;
      }
      if (!Number.isFinite(xLow)) [xLow, xHigh] = [0, 1];
      if (!Number.isFinite(yHigh)) [yLow, yHigh] = [0, 1];
      if (plot.mode === 'successive') [yLow, yHigh] = [Math.floor(yLow), Math.ceil(yHigh)];
      const xPad = xHigh > xLow ? 0.03 * (xHigh - xLow) : 1;
      const yPad = yHigh > yLow ? 0.05 * (yHigh - yLow) : 1;
      return {xLow: plot.zoom ? xLow : xLow - xPad, xHigh: plot.zoom ? xHigh : xHigh + xPad, yLow: yLow, yHigh: yHigh + yPad};
    }

    function drawAxes(area, r) {
      context.strokeStyle = '#ccc';
      context.fillStyle = '#333';
      context.lineWidth = 1;
      context.font = '11px system-ui, sans-serif';
      context.textAlign = 'center';
      context.textBaseline = 'top';
      for (const tick of niceTicks(r.xLow, r.xHigh, Math.max(3, Math.floor(area.width / 90)))) {
        const x = area.left + (tick - r.xLow) / (r.xHigh - r.xLow) * area.width;
        context.beginPath();
        context.moveTo(x, area.top);
        context.lineTo(x, area.top + area.height);
        context.stroke();
        context.fillText(tickText(tick), x, area.top + area.height + 4);
      }
      context.textAlign = 'right';
      context.textBaseline = 'middle';
      const yTicks = plot.mode === 'successive' ?
          niceTicks(r.yLow, r.yHigh, 6).filter(Number.isInteger) : niceTicks(r.yLow, r.yHigh, 6);
      for (const tick of yTicks) {
        const y = area.top + area.height - (tick - r.yLow) / (r.yHigh - r.yLow) * area.height;
        context.beginPath();
        context.moveTo(area.left, y);
        context.lineTo(area.left + area.width, y);
        context.stroke();
        context.fillText(plot.mode === 'successive' ? `1e${tick}` : tickText(tick), area.left - 5, y);
      }
      context.textAlign = 'center';
      context.textBaseline = 'bottom';
      const xLabel = plot.mode === 'range' ? 'cents' : 'order found';
      context.fillText(xLabel, area.left + area.width / 2, area.top + area.height + 34);
      context.save();
      context.translate(12, area.top + area.height / 2);
      context.rotate(-Math.PI / 2);
      context.textBaseline = 'middle';
      context.fillText(plot.mode === 'range' ? 'Tenney height' : '|distance| (cents)', 0, 0);
      context.restore();
    }

    // Every point's place on the screen (by record index; NaN for a record not drawn), then
    // the points a colour at a time.
    function drawPoints(area, r) {
      const n = plot.store.count;
      if (plot.screenX.length < n) {
        plot.screenX = new Float32Array(n);
        plot.screenY = new Float32Array(n);
      }
      plot.screenX.fill(NaN);
      const xScale = area.width / (r.xHigh - r.xLow);
      const yScale = area.height / (r.yHigh - r.yLow);
      const byColour = new Map();
      let count = 0;
      for (const i of plot.view) {
        const x = valueX(i);
        if (x < r.xLow || x > r.xHigh) continue;
        plot.screenX[i] = area.left + (x - r.xLow) * xScale;
        plot.screenY[i] = area.top + area.height - (valueY(i) - r.yLow) * yScale;
        const colour = plot.mode === 'range' ? colourOf(plot.store.primeLimit[i]) : LIMIT_COLOURS[0];
        if (!byColour.has(colour)) byColour.set(colour, []);
        byColour.get(colour).push(i);
        ++count;
      }
      for (const [colour, points] of byColour) {
        context.fillStyle = colour;
        for (const i of points) context.fillRect(plot.screenX[i] - POINT / 2, plot.screenY[i] - POINT / 2, POINT, POINT);
      }
      plot.pointCount = count;
    }

    function drawLegend(area) {
      if (plot.mode !== 'range') return;
      const limits = new Set();
      for (const i of plot.view) limits.add(plot.store.primeLimit[i]);
      const sorted = Array.from(limits).sort((a, b) => a - b);
      context.font = '11px system-ui, sans-serif';
      context.textAlign = 'right';
      context.textBaseline = 'middle';
      context.fillStyle = 'rgba(255, 255, 255, 0.85)';
      context.fillRect(area.left + area.width - 70, area.top + 1, 70, 14 * sorted.length + 2);
      sorted.forEach((limit, k) => {
        const y = area.top + 8 + k * 14;
        context.fillStyle = colourOf(limit);
        context.fillRect(area.left + area.width - 10, y - 4, 8, 8);
        context.fillStyle = '#333';
        context.fillText(`${limit}-limit`, area.left + area.width - 14, y);
      });
    }

    const drawn = (index) => index >= 0 && index < plot.store.count && !Number.isNaN(plot.screenX[index]);

    function drawMark(index, colour) {
      if (!drawn(index)) return;
      context.strokeStyle = colour;
      context.lineWidth = 2;
      context.beginPath();
      context.arc(plot.screenX[index], plot.screenY[index], 7, 0, 2 * Math.PI);
      context.stroke();
    }

    function plotArea() {
      const {width, height} = size();
      return {left: MARGIN.left, top: MARGIN.top, width: Math.max(10, width - MARGIN.left - MARGIN.right),
              height: Math.max(10, height - MARGIN.top - MARGIN.bottom)};
    }

    function draw() {
      const area = plotArea();
      context.clearRect(0, 0, canvas.width, canvas.height);
      if (!plot.store) return;
      const r = ranges();
      plot.ranges = r;
      plot.area = area;
      drawAxes(area, r);
      drawPoints(area, r);
      drawLegend(area);
      if (plot.hover >= 0) drawMark(plot.hover, '#999');
      if (plot.selected >= 0) drawMark(plot.selected, '#f0a000');
      if (plot.drag && Math.abs(plot.drag.to - plot.drag.from) > DRAG_PIXELS) {
        context.fillStyle = 'rgba(43, 76, 179, 0.15)';
        context.fillRect(Math.min(plot.drag.from, plot.drag.to), area.top, Math.abs(plot.drag.to - plot.drag.from),
                         area.height);
      }
      canvas.dataset.points = String(plot.pointCount);
    }

    // The record index of the point nearest the screen place, within a few pixels; -1 when none.
    function pointAt(x, y) {
      let best = -1;
      let bestDistance = HIT_PIXELS * HIT_PIXELS;
      for (const i of plot.view) {
        const dx = plot.screenX[i] - x;
        const dy = plot.screenY[i] - y;
        const distance = dx * dx + dy * dy;
        if (distance <= bestDistance) {
          bestDistance = distance;
          best = i;
        }
      }
      return best;
    }

    function showTooltip(index) {
      if (!drawn(index)) {
        tooltip.hidden = true;
        return;
      }
      tooltip.textContent = handlers.describe(index);
      tooltip.hidden = false;
      const left = Math.min(plot.screenX[index] + 12, canvas.clientWidth - tooltip.offsetWidth - 4);
      tooltip.style.left = `${Math.max(0, left)}px`;
      tooltip.style.top = `${Math.max(0, plot.screenY[index] - tooltip.offsetHeight - 10)}px`;
    }

    function canvasPlace(event) {
      const box = canvas.getBoundingClientRect();
      return {x: event.clientX - box.left, y: event.clientY - box.top};
    }

    canvas.addEventListener('mousemove', (event) => {
      const place = canvasPlace(event);
      if (plot.drag) {
        plot.drag.to = place.x;
        draw();
        return;
      }
      const index = pointAt(place.x, place.y);
      if (index !== plot.hover) {
        plot.hover = index;
        draw();
      }
      showTooltip(index >= 0 ? index : -1);
    });
    canvas.addEventListener('mouseleave', () => {
      plot.hover = -1;
      plot.drag = null;
      tooltip.hidden = true;
      draw();
    });
    canvas.addEventListener('mousedown', (event) => {
      const place = canvasPlace(event);
      plot.drag = {from: place.x, to: place.x, y: place.y};
    });
    canvas.addEventListener('mouseup', (event) => {
      const drag = plot.drag;
      plot.drag = null;
      if (!drag) return;
      const place = canvasPlace(event);
      if (Math.abs(place.x - drag.from) > DRAG_PIXELS && plot.ranges) {
        const toValue = (x) => plot.ranges.xLow + (x - plot.area.left) / plot.area.width * (plot.ranges.xHigh - plot.ranges.xLow);
        const [from, to] = [toValue(Math.min(drag.from, place.x)), toValue(Math.max(drag.from, place.x))];
        setZoom({from, to});
        handlers.zoomed(plot.zoom);
        return;
      }
      const index = pointAt(place.x, place.y);
      if (index >= 0) handlers.select(index);
    });
    canvas.addEventListener('keydown', (event) => {
      if (!['ArrowLeft', 'ArrowRight', 'Home', 'End', 'Enter'].includes(event.key) || plot.view.length === 0) return;
      event.preventDefault();
      if (event.key === 'Enter') {
        if (plot.selected >= 0) handlers.play(plot.selected);
        return;
      }
      if (!plot.xOrder) {
        plot.xOrder = Uint32Array.from(plot.view).sort((a, b) => valueX(a) - valueX(b) || a - b);
      }
      const order = plot.xOrder;
      const at = order.indexOf(plot.selected);
      let next = 0;
      if (event.key === 'End') next = order.length - 1;
      else if (event.key === 'ArrowRight') next = at < 0 ? 0 : Math.min(order.length - 1, at + 1);
      else if (event.key === 'ArrowLeft') next = at < 0 ? 0 : Math.max(0, at - 1);
      handlers.select(order[next]);
    });
    canvas.addEventListener('focus', () => showTooltip(plot.selected));
    canvas.addEventListener('blur', () => { tooltip.hidden = true; });

    // The rows to plot; a view that only orders the same rows anew needs no new drawing.
    function setData(store, view, mode) {
      plot.store = store;
      plot.view = view;
      plot.mode = mode;
      plot.xOrder = null;
    }

    function setSelected(index) {
      plot.selected = index;
      draw();
      if (document.activeElement === canvas) showTooltip(index);
    }

    function setZoom(zoom) {
      plot.zoom = zoom && zoom.to > zoom.from ? zoom : null;
      draw();
    }

    // The plot as a PNG, on a white ground.
    function pngBlob(callback) {
      const copy = document.createElement('canvas');
      copy.width = canvas.width;
      copy.height = canvas.height;
      const copyContext = copy.getContext('2d');
      copyContext.fillStyle = '#fff';
      copyContext.fillRect(0, 0, copy.width, copy.height);
      copyContext.drawImage(canvas, 0, 0);
      copy.toBlob(callback, 'image/png');
    }

    return {draw, setData, setSelected, setZoom, pngBlob, state: plot};
  }

  Object.assign(exports, {createPlot, niceTicks});
})(typeof module !== 'undefined' ? module.exports : (globalThis.RatiohuntPlot = {}));
