// SPDX-License-Identifier: MIT
// The browser side of the web backend (linked with --js-library): the frame loop on
// requestAnimationFrame, full screen, the page's icon and title, and the sound output on Web
// Audio. The C++ side (WebPlatform.cpp, WebAudio.cpp) calls the qb_* functions below; the
// browser calls back into _qb_web_tick and _qb_web_audio_done.

var LibraryQuenbrill = {
  $QB: {
    running: false,
    // Main-thread milliseconds of each pass of the game, the last 8192 of them (made when the
    // loop starts: a value written here would be copied into the program's source).
    frameTimes: null,
    frames: 0,
    audio: null,

    // Plays queued buffers of interleaved 16-bit stereo in order and says when each is used up.
    // The same source runs in the audio worklet and, where there is none, on the main thread.
    playerSource: `
      class QuenbrillPlayer {
        constructor() { this.queue = []; this.offset = 0; }
        reset() { this.queue = []; this.offset = 0; }
        fill(left, right, frames, done) {
          let i = 0;
          while (i < frames && this.queue.length) {
            const b = this.queue[0], s = b.samples;
            const n = Math.min(frames - i, (s.length >> 1) - this.offset);
            for (let k = 0; k < n; ++k) {
              const j = (this.offset + k) << 1;
              left[i + k] = s[j] / 32768;
              right[i + k] = s[j + 1] / 32768;
            }
            i += n;
            this.offset += n;
            if ((this.offset << 1) >= s.length) {
              this.queue.shift();
              this.offset = 0;
              done(b.generation);
            }
          }
          for (; i < frames; ++i) left[i] = right[i] = 0;
        }
      }`,

    workletSource: function() {
      return QB.playerSource + `
        registerProcessor('quenbrill-output', class extends AudioWorkletProcessor {
          constructor() {
            super();
            this.player = new QuenbrillPlayer();
            this.port.onmessage = (e) => {
              if (e.data.reset) this.player.reset(); else this.player.queue.push(e.data);
            };
          }
          process(inputs, outputs) {
            const out = outputs[0];
            this.player.fill(out[0], out[1] || out[0], out[0].length,
                             (g) => this.port.postMessage(g));
            return true;
          }
        });`;
    },

    audioDone: function(a, generation) {
      if (QB.audio !== a || generation !== a.generation) return;  // reset or closed since
      a.played++;
      _qb_web_audio_done();
    },

    // The main-thread player: a ScriptProcessorNode, for pages that are not a secure context
    // (served from another machine over plain http), where browsers offer no audio worklet.
    startScriptProcessor: function(a) {
      const Player = new Function(QB.playerSource + ' return QuenbrillPlayer;')();
      const player = new Player();
      const node = a.ctx.createScriptProcessor(2048, 0, 2);
      node.onaudioprocess = (e) => {
        const out = e.outputBuffer;
        player.fill(out.getChannelData(0), out.getChannelData(1), out.length,
                    (g) => QB.audioDone(a, g));
      };
      node.connect(a.ctx.destination);
      a.kind = 'script-processor';
      a.send = (m) => { if (m.reset) player.reset(); else player.queue.push(m); };
      a.node = node;
      for (const m of a.pending) a.send(m);
      a.pending = [];
    },

    // The page learns how the sound runs (state, buffers played, loudest sample queued).
    audioReport: function() {
      const a = QB.audio;
      if (!a) return { state: 'closed', kind: '', played: 0, queued: 0, peak: 0, sounding: 0 };
      return { state: a.ctx.state, kind: a.kind, played: a.played, queued: a.queued,
               peak: a.peak, sounding: a.sounding };
    },
  },

  // The loop keeps the program alive after main has returned, until the frame says it is over.
  qb_web_start_loop__deps: ['$QB', '$callUserCallback', '$runtimeKeepalivePush'],
  qb_web_start_loop: function() {
    if (QB.running) return;
    QB.running = true;
    runtimeKeepalivePush();
    if (!QB.frameTimes) QB.frameTimes = new Float64Array(8192);
    Module['quenbrillFrames'] = () => ({ count: QB.frames, times: QB.frameTimes });
    if (!Module['quenbrillAudio']) Module['quenbrillAudio'] = QB.audioReport;
    function tick(time) {
      if (!QB.running) return;
      const start = performance.now();
      let goOn = false;
      callUserCallback(() => { goOn = _qb_web_tick(time) !== 0; });
      QB.frameTimes[QB.frames % QB.frameTimes.length] = performance.now() - start;
      QB.frames++;
      if (goOn && QB.running) requestAnimationFrame(tick);
    }
    requestAnimationFrame(tick);
  },

  // The loop is over. When nothing else keeps the program (main has returned), it ends with
  // this exit code: its static objects go and the page hears the code (Module.onExit).
  // A program still in main (a test program waiting for the frames) goes on and ends itself.
  qb_web_stop_loop__deps: ['$QB', '$callUserCallback', '$runtimeKeepalivePop'],
  qb_web_stop_loop: function(code) {
    if (!QB.running) return;
    QB.running = false;
    runtimeKeepalivePop();
    if (keepRuntimeAlive()) return;
    EXITSTATUS = code;
    setTimeout(() => callUserCallback(() => {}), 0);
  },

  // ---- the page ---------------------------------------------------------------------------

  qb_page_set_title: function(title) { document.title = UTF8ToString(title); },

  qb_page_set_icon: function(rgba, width, height) {
    try {
      const canvas = document.createElement('canvas');
      canvas.width = width;
      canvas.height = height;
      const c2d = canvas.getContext('2d');
      const image = c2d.createImageData(width, height);
      image.data.set(HEAPU8.subarray(rgba, rgba + width * height * 4));
      c2d.putImageData(image, 0, 0);
      let link = document.querySelector('link[rel="icon"]');
      if (!link) {
        link = document.createElement('link');
        link.rel = 'icon';
        document.head.appendChild(link);
      }
      link.href = canvas.toDataURL('image/png');
    } catch (e) {
      // No icon: nothing else depends on it.
    }
  },

  // Full screen of the canvas's frame (the element around it, so the page's black shows
  // around the picture). Browsers allow it only inside a key press or click.
  qb_page_fullscreen: function(on) {
    const canvas = document.getElementById('canvas');
    if (!canvas) return 0;
    const frame = canvas.parentElement || canvas;
    try {
      if (on) {
        if (document.fullscreenElement) return 1;
        if (!frame.requestFullscreen || !document.fullscreenEnabled) return 0;
        // Outside a key press or click the browser would refuse it later; say so now.
        if (navigator.userActivation && !navigator.userActivation.isActive) return 0;
        const p = frame.requestFullscreen();
        if (p && p.catch) p.catch(() => {});
      } else if (document.fullscreenElement) {
        const p = document.exitFullscreen();
        if (p && p.catch) p.catch(() => {});
      }
      return 1;
    } catch (e) {
      return 0;
    }
  },

  qb_page_is_fullscreen: function() { return document.fullscreenElement ? 1 : 0; },

  qb_page_has_focus: function() { return document.hasFocus() ? 1 : 0; },

  qb_page_hidden: function() { return document.hidden ? 1 : 0; },

  // ---- sound ------------------------------------------------------------------------------

  qb_audio_open__deps: ['$QB'],
  qb_audio_open: function(rate) {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    let ctx;
    try {
      ctx = new Context({ sampleRate: rate });
    } catch (e) {
      return 0;
    }
    const a = { ctx: ctx, generation: 1, pending: [], send: null, node: null, kind: '',
                played: 0, queued: 0, peak: 0, sounding: 0 };
    QB.audio = a;
    Module['quenbrillAudio'] = QB.audioReport;
    // Browsers start sound only after the player has pressed a key or clicked.
    a.resume = () => { if (ctx.state === 'suspended') ctx.resume().catch(() => {}); };
    for (const type of ['keydown', 'pointerdown', 'touchend'])
      window.addEventListener(type, a.resume, true);
    if (ctx.audioWorklet && window.isSecureContext) {
      a.kind = 'worklet';
      const url = URL.createObjectURL(new Blob([QB.workletSource()],
                                               { type: 'application/javascript' }));
      ctx.audioWorklet.addModule(url).then(() => {
        if (QB.audio !== a) return;
        const node = new AudioWorkletNode(ctx, 'quenbrill-output',
                                          { numberOfInputs: 0, outputChannelCount: [2] });
        node.port.onmessage = (e) => QB.audioDone(a, e.data);
        node.connect(ctx.destination);
        a.node = node;
        a.send = (m) => node.port.postMessage(m, m.samples ? [m.samples.buffer] : []);
        for (const m of a.pending) a.send(m);
        a.pending = [];
      }).catch(() => {
        if (QB.audio === a && !a.node) QB.startScriptProcessor(a);
      });
    } else {
      QB.startScriptProcessor(a);
    }
    return 1;
  },

  qb_audio_queue__deps: ['$QB'],
  qb_audio_queue: function(data, bytes) {
    const a = QB.audio;
    if (!a) return 0;
    const samples = HEAP16.slice(data >> 1, (data + bytes) >> 1);
    let peak = 0;
    for (let i = 0; i < samples.length; ++i) peak = Math.max(peak, Math.abs(samples[i]));
    a.peak = Math.max(a.peak, peak);
    if (peak > 0) a.sounding++;  // buffers that are not silence
    a.queued++;
    const m = { generation: a.generation, samples: samples };
    if (a.send) a.send(m); else a.pending.push(m);
    return 1;
  },

  qb_audio_reset__deps: ['$QB'],
  qb_audio_reset: function() {
    const a = QB.audio;
    if (!a) return;
    a.generation++;  // a buffer finished before the player hears of the reset says nothing
    a.pending = [];
    if (a.send) a.send({ reset: true });
  },

  qb_audio_close__deps: ['$QB'],
  qb_audio_close: function() {
    const a = QB.audio;
    if (!a) return;
    QB.audio = null;
    for (const type of ['keydown', 'pointerdown', 'touchend'])
      window.removeEventListener(type, a.resume, true);
    try {
      if (a.node) a.node.disconnect();
      a.ctx.close().catch(() => {});
    } catch (e) {
    }
  },
};

autoAddDeps(LibraryQuenbrill, '$QB');
mergeInto(LibraryManager.library, LibraryQuenbrill);
