// The page around the show: it checks what the browser offers, loads the
// program (vortelan.js and .wasm) and the recorded music, and owns what only a
// page can own: the canvas, the sound, the input and fullscreen. The program
// does the rest: settings from the address, the warning screen, the show.
'use strict';
(() => {
  const RATE = 44100;            // the music's frames per second
  const MAX_WIDTH = 1920;        // device pixels; keeps a 4K screen or a phone fluid
  const SOUND_PENDING = 0, SOUND_PLAYING = 1, SOUND_NONE = 2;
  const KEY_UP = 1, BUTTON_DOWN = 2, BUTTON_UP = 3, KEY_DOWN = 4;

  const body = document.body;
  const canvas = document.getElementById('show');
  const note = document.getElementById('note');
  const AudioContextClass = window.AudioContext || window.webkitAudioContext;

  function refuse(sentence) {
    canvas.hidden = true;
    note.textContent = sentence;
    note.hidden = false;
    body.dataset.state = 'unsupported';
  }

  const missing = [];
  if (typeof WebAssembly !== 'object') missing.push('WebAssembly');
  if (!AudioContextClass) missing.push('Web Audio');
  if (!canvas.getContext || !window.ImageData) missing.push('a canvas');
  if (missing.length) {
    refuse('VORTELAN needs a browser with WebAssembly, Web Audio and a canvas; this one has no ' +
           missing.join(' and no ') + '.');
    return;
  }

  // --- Sound: the recorded music, played from the frame the show says ---------
  const audio = new AudioContextClass();
  let music = null;          // the decoded music
  let musicFailed = false;
  let playing = null;        // {base, t0} with sound, {base, clock} without
  const probe = document.createElement('audio');
  const musicFile = probe.canPlayType('audio/ogg; codecs=opus') ? 'music.opus' : 'music.ogg';

  function loadMusic() {
    fetch(musicFile)
      .then((r) => { if (!r.ok) throw new Error('HTTP ' + r.status); return r.arrayBuffer(); })
      .then((bytes) => new Promise((resolve, reject) => audio.decodeAudioData(bytes, resolve, reject)))
      .then((decoded) => { music = decoded; })
      .catch((e) => {
        musicFailed = true;
        console.warn('music: ' + musicFile + ' did not load (' + (e && e.message || e) +
                     '); the show goes on without sound');
      });
  }

  function soundState(wanted) {
    if (!wanted || musicFailed) return SOUND_NONE;
    return music && audio.state === 'running' ? SOUND_PLAYING : SOUND_PENDING;
  }

  function startSound(base, wanted) {
    if (soundState(wanted) === SOUND_PLAYING) {
      const source = audio.createBufferSource();
      source.buffer = music;
      source.connect(audio.destination);
      const t0 = audio.currentTime;
      source.start(t0, base / RATE);
      playing = {base, t0};
    } else {
      playing = {base, clock: performance.now()};
    }
  }

  // The frame the listener hears now: the context's output timestamp moved on
  // by the page's clock, or its time less the output latency.
  function audibleFrame() {
    if (!playing) return -1;
    if (playing.clock !== undefined) return playing.base + (performance.now() - playing.clock) * RATE / 1000;
    let t = 0;
    const stamp = audio.getOutputTimestamp ? audio.getOutputTimestamp() : null;
    if (stamp && stamp.contextTime > 0) t = stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000;
    else t = audio.currentTime - (audio.outputLatency || audio.baseLatency || 0);
    return playing.base + Math.max(0, t - playing.t0) * RATE;
  }

  // --- Picture: the framebuffer on the canvas -----------------------------------
  // putImageData, which needs every alpha at 255 (the program sets them); in
  // headless Chromium without a GPU it keeps 60 frames a second where a WebGL
  // texture upload of the same frames manages 30 to 40. WebGL, which ignores
  // the alpha, only where a 2D context cannot be had.
  function makePresenter(M, preserve) {
    const c2d = canvas.getContext('2d', {alpha: false});
    if (c2d) {
      return {kind: '2d', draw(ptr, w, h) {
        M._webOpaque(ptr, w * h);
        c2d.putImageData(new ImageData(new Uint8ClampedArray(M.HEAPU8.buffer, ptr, w * h * 4), w, h), 0, 0);
      }};
    }
    const gl = canvas.getContext('webgl', {alpha: false, antialias: false, depth: false,
                                           preserveDrawingBuffer: preserve});
    const shader = (type, text) => {
      const s = gl.createShader(type);
      gl.shaderSource(s, text);
      gl.compileShader(s);
      return s;
    };
    const program = gl.createProgram();
    gl.attachShader(program, shader(gl.VERTEX_SHADER,
      'attribute vec2 p; varying vec2 t; void main() { t = vec2(p.x + 1.0, 1.0 - p.y) * 0.5; gl_Position = vec4(p, 0.0, 1.0); }'));
    gl.attachShader(program, shader(gl.FRAGMENT_SHADER,
      'precision mediump float; uniform sampler2D f; varying vec2 t; void main() { gl_FragColor = vec4(texture2D(f, t).rgb, 1.0); }'));
    gl.linkProgram(program);
    gl.useProgram(program);
    gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
    gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-1, -1, 1, -1, -1, 1, 1, 1]), gl.STATIC_DRAW);
    gl.enableVertexAttribArray(0);
    gl.vertexAttribPointer(0, 2, gl.FLOAT, false, 0, 0);
    gl.bindTexture(gl.TEXTURE_2D, gl.createTexture());
    for (const [name, value] of [[gl.TEXTURE_MIN_FILTER, gl.NEAREST], [gl.TEXTURE_MAG_FILTER, gl.NEAREST],
                                 [gl.TEXTURE_WRAP_S, gl.CLAMP_TO_EDGE], [gl.TEXTURE_WRAP_T, gl.CLAMP_TO_EDGE]])
      gl.texParameteri(gl.TEXTURE_2D, name, value);
    let size = '';
    return {kind: 'webgl', draw(ptr, w, h) {
      const pixels = new Uint8Array(M.HEAPU8.buffer, ptr, w * h * 4);
      if (size !== w + 'x' + h) {
        size = w + 'x' + h;
        gl.viewport(0, 0, w, h);
        gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, w, h, 0, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
      } else {
        gl.texSubImage2D(gl.TEXTURE_2D, 0, 0, 0, w, h, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
      }
      gl.drawArrays(gl.TRIANGLE_STRIP, 0, 4);
    }};
  }

  // The canvas fills the window at 4:3, drawn at its size in device pixels.
  function fitCanvas(w, h) {
    const scale = Math.min(window.innerWidth / w, window.innerHeight / h);
    canvas.style.width = Math.floor(w * scale) + 'px';
    canvas.style.height = Math.floor(h * scale) + 'px';
  }

  function pictureSize() {
    const cssWidth = Math.min(window.innerWidth, window.innerHeight * 4 / 3);
    const quarter = Math.max(80, Math.floor(Math.min(cssWidth * (window.devicePixelRatio || 1), MAX_WIDTH) / 4));
    return [quarter * 4, quarter * 3];
  }

  function toggleFullscreen() {
    const root = document.documentElement;
    if (document.fullscreenElement || document.webkitFullscreenElement)
      (document.exitFullscreen || document.webkitExitFullscreen).call(document);
    else if (root.requestFullscreen || root.webkitRequestFullscreen)
      Promise.resolve((root.requestFullscreen || root.webkitRequestFullscreen).call(root)).catch(() => {});
  }

  // --- The program --------------------------------------------------------------
  // What the benchmark reads: frames drawn, time in the program and in the
  // upload (sums and the worst), when the first picture appeared.
  const stats = {frames: 0, frameMs: 0, presentMs: 0, worstMs: 0, firstPicture: -1, presenter: ''};
  window.vortelan = {stats};

  function run(M) {
    window.vortelan.module = M;
    const still = M.ccall('webConfigure', 'number', ['string'], [location.search]) === 1;
    const wanted = M._webSoundWanted() === 1;

    if (still) {
      const ptr = M._webStill();
      if (!ptr) { refuse('VORTELAN could not play its music, so there is no picture to show.'); return; }
      const w = M._webWidth(), h = M._webHeight();
      // Kept as drawn, for tests and for anyone who wants the exact pixels.
      window.vortelan.still = {width: w, height: h, rgba: M.HEAPU8.slice(ptr, ptr + w * h * 4)};
      canvas.width = w;
      canvas.height = h;
      const presenter = makePresenter(M, true);
      stats.presenter = presenter.kind;
      presenter.draw(ptr, w, h);
      stats.firstPicture = performance.now();
      fitCanvas(w, h);
      window.addEventListener('resize', () => fitCanvas(w, h));
      body.dataset.state = 'still';
      return;
    }

    if (wanted) loadMusic();
    const knock = () => { if (audio.state !== 'running') audio.resume().catch(() => {}); };
    window.addEventListener('keydown', (e) => {
      knock();
      M._webInput(KEY_DOWN, 0);
      if (e.repeat) return;  // a key held down toggles once
      if (e.key === 'F4' || ((e.key === 'f' || e.key === 'F') && !e.ctrlKey && !e.metaKey && !e.altKey)) {
        e.preventDefault();
        toggleFullscreen();
      } else if (e.key === 'Escape' && (document.fullscreenElement || document.webkitFullscreenElement)) {
        toggleFullscreen();
      }
    });
    window.addEventListener('keyup', (e) => {
      if (e.key.length === 1) M._webInput(KEY_UP, e.key.charCodeAt(0));
    });
    canvas.addEventListener('pointerdown', (e) => {
      if (e.button !== 0) return;
      knock();
      canvas.setPointerCapture(e.pointerId);
      M._webInput(BUTTON_DOWN, 0);
    });
    const release = (e) => { if (e.button === 0 || e.type === 'pointercancel') M._webInput(BUTTON_UP, 0); };
    canvas.addEventListener('pointerup', release);
    canvas.addEventListener('pointercancel', release);
    canvas.addEventListener('dblclick', toggleFullscreen);

    let [w, h] = pictureSize();
    M._webOpen(w, h);
    const presenter = makePresenter(M, false);
    stats.presenter = presenter.kind;
    body.dataset.state = 'warning';

    function frame() {
      requestAnimationFrame(frame);
      [w, h] = pictureSize();
      if (canvas.width !== w || canvas.height !== h) {
        canvas.width = w;
        canvas.height = h;
      }
      fitCanvas(w, h);
      const t0 = performance.now();
      const ptr = M._webFrame(w, h, audibleFrame(), soundState(wanted));
      const t1 = performance.now();
      if (!playing && M._webMusicStart() >= 0) {
        startSound(M._webMusicStart(), wanted);
        body.dataset.state = 'show';
      }
      presenter.draw(ptr, M._webWidth(), M._webHeight());
      const t2 = performance.now();
      if (stats.firstPicture < 0) stats.firstPicture = t2;
      stats.frames++;
      stats.frameMs += t1 - t0;
      stats.presentMs += t2 - t1;
      stats.worstMs = Math.max(stats.worstMs, t2 - t0);
    }
    requestAnimationFrame(frame);
  }

  const script = document.createElement('script');
  script.src = 'vortelan.js';
  script.onload = () => {
    createVortelan({vortelanSoundAvailable: () => !musicFailed})
      .then(run)
      .catch((e) => refuse('VORTELAN could not start here: ' + (e && e.message || e) + '.'));
  };
  script.onerror = () => refuse('VORTELAN could not load its program (vortelan.js) from this address.');
  document.head.appendChild(script);
})();
