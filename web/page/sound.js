// The page's sound: two notes of an interval played one after the other and then together,
// built from oscillators on any AudioContext (an OfflineAudioContext in the tests). No
// samples and no network; nothing plays until the page calls it on a click.
'use strict';

(function (exports) {
  const HIGHEST_HZ = 2000;
  const NOTE_SECONDS = 1;
  const TOGETHER_SECONDS = 2.5;
  const FADE_SECONDS = 0.03;

  // The two frequencies, both moved by one power of 2 so that the higher lies below 2 kHz.
  function noteFrequencies(ratios, baseHz) {
    let [first, second] = ratios.map((ratio) => baseHz * ratio);
    while (Math.max(first, second) >= HIGHEST_HZ) {
      first /= 2;
      second /= 2;
    }
    return [first, second];
  }

  function scheduleNote(context, destination, frequency, from, to, volume) {
    const oscillator = context.createOscillator();
    oscillator.type = 'sine';
    oscillator.frequency.value = frequency;
    const gain = context.createGain();
    gain.gain.setValueAtTime(0, from);
    gain.gain.linearRampToValueAtTime(volume, from + FADE_SECONDS);
    gain.gain.setValueAtTime(volume, to - FADE_SECONDS);
    gain.gain.linearRampToValueAtTime(0, to);
    oscillator.connect(gain).connect(destination);
    oscillator.start(from);
    oscillator.stop(to);
  }

  // Schedules the first note, the second, then both, into destination (the context's own
  // unless given); volume from 0 to 1. Returns the frequencies and the seconds it lasts.
  function scheduleInterval(context, ratios, {baseHz, volume, start = context.currentTime, destination}) {
    const [first, second] = noteFrequencies(ratios, baseHz);
    const level = Math.max(0, Math.min(1, volume)) * 0.4;  // two notes together stay below full scale
    const out = destination || context.destination;
    scheduleNote(context, out, first, start, start + NOTE_SECONDS, level);
    scheduleNote(context, out, second, start + NOTE_SECONDS, start + 2 * NOTE_SECONDS, level);
    const together = start + 2 * NOTE_SECONDS;
    scheduleNote(context, out, first, together, together + TOGETHER_SECONDS, level);
    scheduleNote(context, out, second, together, together + TOGETHER_SECONDS, level);
    return {frequencies: [first, second], seconds: 2 * NOTE_SECONDS + TOGETHER_SECONDS};
  }

  // What a record sounds against: a comma from 1/1 up to its larger note, any other
  // approximant after its target.
  function recordRatios(cents, targetRatio, commaSearch) {
    const size = 2 ** (cents / 1200);
    if (commaSearch) return [1, size >= 1 ? size : 1 / size];
    return [targetRatio, size];
  }

  // Schedules the ratios' notes one after another from baseHz, a second each, moved down by
  // octaves alike until the highest lies below 2 kHz. Returns the frequencies and the seconds.
  function scheduleMelody(context, ratios, {baseHz, volume, start = context.currentTime, destination}) {
    let frequencies = ratios.map((ratio) => baseHz * ratio);
    while (Math.max(...frequencies) >= HIGHEST_HZ) frequencies = frequencies.map((frequency) => frequency / 2);
    const level = Math.max(0, Math.min(1, volume)) * 0.4;
    const out = destination || context.destination;
    frequencies.forEach((frequency, i) => {
      scheduleNote(context, out, frequency, start + i * NOTE_SECONDS, start + (i + 1) * NOTE_SECONDS, level);
    });
    return {frequencies, seconds: frequencies.length * NOTE_SECONDS};
  }

  Object.assign(exports, {scheduleInterval, scheduleNote, noteFrequencies, recordRatios, scheduleMelody});
})(typeof module !== 'undefined' ? module.exports : (globalThis.RatiohuntSound = {}));
