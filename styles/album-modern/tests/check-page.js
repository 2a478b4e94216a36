// Opens album pages in a headless Chromium over the DevTools protocol (on a
// pipe: no port, no outside package) and reports what a visitor meets, as
// one JSON document on stdout:
//   node check-page.js CONFIG.json
// CONFIG: { chromium, axe, profile, screenshots, video,
//           runs: [{ name, page, width, scheme, keyboard }] }
// With `video`, a one-second WebM is first recorded there by the browser
// itself (a canvas through MediaRecorder), for pages that play one.
// For each run: the page's width against the window's, the pictures'
// attributes, the players, the colours, the viewer driven by the keyboard,
// axe-core's violations, and a screenshot NAME.png (NAME-viewer.png too).
'use strict';

const { spawn } = require('child_process');
const fs = require('fs');
const path = require('path');
const { pathToFileURL } = require('url');

const config = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
const axeSource = fs.readFileSync(config.axe, 'utf8');

const browser = spawn(config.chromium, [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
  '--disable-component-update', '--no-first-run', '--disable-sync', '--disable-extensions',
  '--mute-audio', '--hide-scrollbars', '--user-data-dir=' + config.profile,
  '--remote-debugging-pipe', 'about:blank',
], { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });

let browserErrors = '';
browser.stderr.on('data', (chunk) => { browserErrors = (browserErrors + chunk).slice(-4000); });

// The protocol: JSON messages ended by a zero byte, both ways.
let nextId = 1;
const pending = new Map();
const listeners = [];
let received = Buffer.alloc(0);
browser.stdio[4].on('data', (chunk) => {
  received = Buffer.concat([received, chunk]);
  for (let end; (end = received.indexOf(0)) >= 0;) {
    const message = JSON.parse(received.subarray(0, end).toString('utf8'));
    received = received.subarray(end + 1);
    if (message.id !== undefined) {
      const waiting = pending.get(message.id);
      pending.delete(message.id);
      if (message.error)
        waiting.reject(new Error(waiting.method + ': ' + message.error.message));
      else
        waiting.resolve(message.result);
    } else {
      listeners.slice().forEach((listener) => listener(message));
    }
  }
});

function send(method, params = {}, sessionId = undefined) {
  const id = nextId++;
  const message = { id, method, params };
  if (sessionId)
    message.sessionId = sessionId;
  return new Promise((resolve, reject) => {
    pending.set(id, { resolve, reject, method });
    browser.stdio[3].write(JSON.stringify(message) + '\0');
  });
}

function nextEvent(method, sessionId, timeoutMs = 10000) {
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => {
      listeners.splice(listeners.indexOf(listener), 1);
      reject(new Error('no ' + method + ' within ' + timeoutMs + ' ms'));
    }, timeoutMs);
    const listener = (message) => {
      if (message.method === method && message.sessionId === sessionId) {
        clearTimeout(timer);
        listeners.splice(listeners.indexOf(listener), 1);
        resolve(message.params);
      }
    };
    listeners.push(listener);
  });
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A target of its own and a way to evaluate in it.
async function openTarget() {
  const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
  const call = (method, params) => send(method, params, sessionId);
  const evaluate = async (expression) => {
    const { result, exceptionDetails } = await call('Runtime.evaluate',
      { expression, awaitPromise: true, returnByValue: true });
    if (exceptionDetails)
      throw new Error('page script failed: ' + JSON.stringify(exceptionDetails).slice(0, 500));
    return result.value;
  };
  return { targetId, sessionId, call, evaluate };
}

async function recordVideo(file) {
  const { targetId, evaluate } = await openTarget();
  const base64 = await evaluate(`new Promise((resolve, reject) => {
    const canvas = document.createElement('canvas');
    canvas.width = 320;
    canvas.height = 180;
    const g = canvas.getContext('2d');
    const recorder = new MediaRecorder(canvas.captureStream(15), { mimeType: 'video/webm;codecs=vp8' });
    const chunks = [];
    recorder.ondataavailable = (event) => chunks.push(event.data);
    recorder.onerror = (event) => reject(event.error);
    recorder.onstop = () => new Blob(chunks, { type: 'video/webm' }).arrayBuffer().then((buffer) => {
      let bytes = '';
      for (const byte of new Uint8Array(buffer))
        bytes += String.fromCharCode(byte);
      resolve(btoa(bytes));
    });
    let frame = 0;
    const paint = () => {
      g.fillStyle = 'hsl(' + (frame * 24) % 360 + ', 70%, 55%)';
      g.fillRect(0, 0, 320, 180);
      g.fillStyle = '#fff';
      g.fillRect(20 + frame * 12, 70, 40, 40);
      ++frame;
    };
    paint();
    recorder.start(250);
    const timer = setInterval(paint, 66);
    setTimeout(() => { clearInterval(timer); recorder.stop(); }, 1000);
  })`);
  fs.writeFileSync(file, Buffer.from(base64, 'base64'));
  await send('Target.closeTarget', { targetId });
}

async function run(spec) {
  const { targetId, sessionId, call, evaluate } = await openTarget();
  const key = async (name, code, keyCode, text) => {
    const base = { key: name, code, windowsVirtualKeyCode: keyCode, nativeVirtualKeyCode: keyCode };
    await call('Input.dispatchKeyEvent', Object.assign({ type: text ? 'keyDown' : 'rawKeyDown', text }, base));
    await call('Input.dispatchKeyEvent', Object.assign({ type: 'keyUp' }, base));
    await sleep(150);
  };
  const screenshot = async (name) => {
    const { data } = await call('Page.captureScreenshot', { format: 'png' });
    fs.writeFileSync(path.join(config.screenshots, name + '.png'), Buffer.from(data, 'base64'));
  };

  const mobile = spec.width < 600;
  const metrics = (height) => call('Emulation.setDeviceMetricsOverride',
    { width: spec.width, height, deviceScaleFactor: 1, mobile });
  await call('Page.enable');
  await metrics(mobile ? 780 : 900);
  await call('Emulation.setEmulatedMedia',
    { features: [{ name: 'prefers-color-scheme', value: spec.scheme || 'light' }] });
  const loaded = nextEvent('Page.loadEventFired', sessionId);
  await call('Page.navigate', { url: pathToFileURL(spec.page).href });
  await loaded;
  await evaluate('document.fonts.ready.then(() => true)');

  const report = { name: spec.name };
  report.layout = await evaluate(`(() => {
    const root = document.documentElement;
    const wide = [];
    for (const element of document.querySelectorAll('body *')) {
      const box = element.getBoundingClientRect();
      if (box.width > 0 && box.right > root.clientWidth + 0.5 && wide.length < 5)
        wide.push(element.tagName + '.' + element.className + ' ' + Math.round(box.right));
    }
    const columns = getComputedStyle(document.querySelector('.items')).gridTemplateColumns.split(' ').length;
    return { scrollWidth: root.scrollWidth, clientWidth: root.clientWidth, innerWidth: window.innerWidth,
             wide, columns, charset: document.characterSet, title: document.title,
             background: getComputedStyle(document.body).backgroundColor,
             text: getComputedStyle(document.body).color,
             bold: document.querySelectorAll('.items b, .items script').length };
  })()`);
  report.images = await evaluate(`[...document.images].map((image) => ({
    src: image.getAttribute('src'), alt: image.getAttribute('alt'), width: image.getAttribute('width'),
    height: image.getAttribute('height'), loading: image.getAttribute('loading') }))`);
  report.players = await evaluate(`({
    audio: [...document.querySelectorAll('audio')].map((a) => ({ src: a.getAttribute('src'), controls: a.controls })),
    video: [...document.querySelectorAll('video')].map((v) => ({ src: v.getAttribute('src'), controls: v.controls,
      shown: v.getBoundingClientRect().width })),
    fileLinks: [...document.querySelectorAll('a.file-link')].filter((a) => !a.closest('video'))
      .map((a) => a.getAttribute('href')) })`);

  // The whole page, every lazy picture in view and loaded.
  const height = await evaluate('document.documentElement.scrollHeight');
  await metrics(Math.min(height, 6000));
  await evaluate(`new Promise((resolve) => {
    const started = Date.now();
    (function wait() {
      if ([...document.images].every((i) => i.complete) || Date.now() - started > 5000)
        resolve(true);
      else
        setTimeout(wait, 50);
    })();
  })`);
  // Whether each video's picture could be read: its metadata has arrived.
  report.playable = await evaluate(`Promise.all([...document.querySelectorAll('video')].map((v) =>
    new Promise((resolve) => {
      const done = () => resolve({ src: v.getAttribute('src'), width: v.videoWidth, height: v.videoHeight });
      if (v.readyState >= 1) done();
      v.addEventListener('loadedmetadata', done);
      v.addEventListener('error', done);
      setTimeout(done, 5000);
    })))`);
  report.loaded = await evaluate(`Promise.all([...document.images].map((i) => i.decode().then(() => 1, () => 0)))
    .then((shown) => shown.reduce((a, b) => a + b, 0))`);
  await screenshot(spec.name);
  await metrics(mobile ? 780 : 900);
  await evaluate('window.scrollTo(0, 0), true');

  await evaluate(axeSource + '\n;true');
  const axe = `axe.run(document, { resultTypes: ['violations'] }).then((result) => result.violations.map((v) => ({
      id: v.id, impact: v.impact, help: v.help, nodes: v.nodes.slice(0, 3).map((n) => n.target.join(' ')) })))`;
  report.violations = await evaluate(axe);

  if (spec.keyboard) {
    const state = `(() => {
      const viewer = document.getElementById('viewer');
      const picture = viewer.querySelector('.viewer-stage img');
      const focused = document.activeElement;
      const look = getComputedStyle(focused);
      return { open: viewer.open, count: viewer.querySelector('.viewer-count').textContent,
               caption: document.getElementById('viewer-caption').textContent,
               picture: picture && { src: picture.getAttribute('src'), alt: picture.getAttribute('alt'),
                                     width: picture.getAttribute('width'), height: picture.getAttribute('height'),
                                     shown: picture.getBoundingClientRect().width },
               focus: { tag: focused.tagName, className: focused.className, href: focused.getAttribute('href'),
                        outline: look.outlineStyle + ' ' + look.outlineWidth },
               scrollWidth: document.documentElement.scrollWidth };
    })()`;
    const steps = [];
    await key('Tab', 'Tab', 9);
    steps.push(Object.assign({ key: 'Tab' }, await evaluate(state)));
    await key('Enter', 'Enter', 13, '\r');
    steps.push(Object.assign({ key: 'Enter' }, await evaluate(state)));
    await evaluate(`new Promise((resolve) => {
      const picture = document.querySelector('.viewer-stage img');
      if (!picture || picture.complete) resolve(true); else picture.onload = picture.onerror = () => resolve(true);
    })`);
    await screenshot(spec.name + '-viewer');
    report.viewerViolations = await evaluate(axe);
    await key('ArrowRight', 'ArrowRight', 39);
    steps.push(Object.assign({ key: 'ArrowRight' }, await evaluate(state)));
    await key('ArrowLeft', 'ArrowLeft', 37);
    steps.push(Object.assign({ key: 'ArrowLeft' }, await evaluate(state)));
    if (mobile) {
      // A finger drawn from right to left across the picture.
      await call('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 1 });
      const y = 390;
      await call('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: 280, y }] });
      for (const x of [220, 160, 100])
        await call('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: [{ x, y }] });
      await call('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
      await sleep(150);
      steps.push(Object.assign({ key: 'swipe' }, await evaluate(state)));
      await call('Emulation.setTouchEmulationEnabled', { enabled: false });
    }
    await key('Escape', 'Escape', 27);
    steps.push(Object.assign({ key: 'Escape' }, await evaluate(state)));
    await screenshot(spec.name + '-focus');
    report.keyboard = steps;
  }
  await send('Target.closeTarget', { targetId });
  return report;
}

(async () => {
  const timer = setTimeout(() => {
    process.stderr.write('check-page.js: gave up after 60 s\n' + browserErrors);
    browser.kill('SIGKILL');
    process.exit(3);
  }, 60000);
  let status = 0;
  try {
    fs.mkdirSync(config.screenshots, { recursive: true });
    if (config.video)
      await recordVideo(config.video);
    const reports = [];
    for (const spec of config.runs)
      reports.push(await run(spec));
    process.stdout.write(JSON.stringify({ runs: reports }, null, 1) + '\n');
  } catch (error) {
    process.stderr.write('check-page.js: ' + error.message + '\n' + browserErrors);
    status = 1;
  }
  clearTimeout(timer);
  browser.kill('SIGTERM');
  process.exit(status);
})();
