#pragma once
// The fixed parts of the modern album page: its style sheet, the colours of
// each style and the picture viewer's script. UTF-8 here; the page is
// written in code page 932, so every character below must exist there.
// Everything is inline: the page must work from a folder, offline.

namespace gmsmodern {

// Colours as custom properties; the sheet below uses nothing else.
inline constexpr const char* lightColours = ":root{color-scheme:light;--bg:#f4f3ef;--surface:#ffffff;"
                                            "--text:#1c1c1e;--muted:#55555c;--line:#dcd9d1;--shade:#e9e7e1;"
                                            "--accent:#0a58b5;--focus:#0a58b5}\n";
inline constexpr const char* darkColours = ":root{color-scheme:dark;--bg:#111215;--surface:#1c1e23;"
                                           "--text:#ececf0;--muted:#a8aab3;--line:#30333a;--shade:#26282e;"
                                           "--accent:#8bbcff;--focus:#9cc7ff}\n";

inline constexpr const char* styleSheet = R"CSS(*,*::before,*::after{box-sizing:border-box}
html{-webkit-text-size-adjust:100%;text-size-adjust:100%}
html.viewing{overflow:hidden}
body{margin:0;background:var(--bg);color:var(--text);line-height:1.7;overflow-wrap:anywhere;
font-family:system-ui,-apple-system,"Hiragino Sans","Noto Sans CJK JP","Noto Sans JP","Yu Gothic UI",Meiryo,sans-serif}
a{color:var(--accent)}
:focus-visible{outline:3px solid var(--focus);outline-offset:2px}
.page{max-width:1200px;margin:0 auto;padding:28px 20px 40px}
.masthead{padding-bottom:20px;margin-bottom:24px;border-bottom:1px solid var(--line)}
.kicker{margin:0;color:var(--muted);font-size:.85rem;letter-spacing:.08em}
h1{margin:.15em 0 0;font-size:clamp(1.5rem,1.1rem + 2vw,2.4rem);line-height:1.3}
.subtitle{margin:.2em 0 0;color:var(--muted);font-size:1.15rem}
.summary{margin:.5em 0 0;color:var(--muted);font-size:.9rem}
.lead{margin:1em 0 0;max-width:45em}
.items{list-style:none;margin:0;padding:0;display:grid;gap:20px;
grid-template-columns:repeat(auto-fill,minmax(min(100%,300px),1fr))}
.item{display:flex;flex-direction:column;min-width:0;background:var(--surface);border:1px solid var(--line);
border-radius:14px;overflow:hidden;box-shadow:0 1px 3px rgba(0,0,0,.08)}
.thumb{display:block;background:var(--shade)}
.thumb:focus-visible{outline:4px solid var(--focus);outline-offset:-4px}
.thumb img,.item video{display:block;width:100%;height:auto;aspect-ratio:4/3;object-fit:cover}
.thumb img{transition:filter .15s}
.thumb:hover img{filter:brightness(1.06)}
.item video{object-fit:contain;background:#000}
.file-link{display:flex;flex-direction:column;align-items:center;justify-content:center;gap:6px;aspect-ratio:4/3;
padding:16px;background:var(--shade);color:var(--accent);font-weight:600;text-align:center;text-decoration:none}
.file-link:focus-visible{outline-offset:-4px}
.play{width:0;height:0;border-style:solid;border-width:14px 0 14px 24px;
border-color:transparent transparent transparent currentColor}
.file-name{color:var(--muted);font-weight:400;font-size:.85rem}
.text{padding:12px 16px 16px}
.item h2{margin:0;font-size:1.05rem;line-height:1.45}
.comment{margin:.35em 0 0;color:var(--muted);font-size:.95rem}
.voice{margin-top:12px}
.voice-label{display:block;margin-bottom:4px;color:var(--muted);font-size:.8rem}
.voice audio{display:block;width:100%;height:40px}
.site-footer{margin-top:40px;padding-top:16px;border-top:1px solid var(--line);color:var(--muted);font-size:.85rem}
.site-footer p{margin:.4em 0}
.viewer{width:100%;height:100%;max-width:100%;max-height:100%;margin:0;padding:0;border:0;
background:#0b0b0d;color:#f3f3f5}
.viewer[open]{display:grid;grid-template-rows:auto minmax(0,1fr) auto}
.viewer::backdrop{background:rgba(0,0,0,.6)}
.viewer-bar{display:flex;align-items:center;justify-content:space-between;gap:8px;padding:10px 12px}
.viewer-count{color:#d4d4da;font-variant-numeric:tabular-nums}
.viewer-keys{color:#b8b8c0;font-size:.8rem}
.viewer-stage{display:flex;align-items:center;justify-content:center;min-height:0;padding:0 8px}
.viewer-stage img{display:block;max-width:100%;max-height:100%;width:auto;height:auto;object-fit:contain}
.viewer-foot{display:grid;grid-template-columns:auto minmax(0,1fr) auto;align-items:center;gap:8px;
padding:8px 12px 14px}
.viewer-caption{margin:0;text-align:center}
.viewer button{min-width:44px;min-height:44px;padding:8px 16px;font:inherit;color:#fff;cursor:pointer;
background:rgba(255,255,255,.12);border:1px solid rgba(255,255,255,.3);border-radius:999px}
.viewer button:hover{background:rgba(255,255,255,.24)}
.viewer :focus-visible{outline:3px solid #9cc7ff;outline-offset:2px}
@media (max-width:599px){
.page{padding:18px 12px 32px}
.thumb img{aspect-ratio:auto;object-fit:contain}
.viewer-keys{display:none}
}
@media (prefers-reduced-motion:reduce){.thumb img{transition:none}}
)CSS";

// Opens the viewer on a thumbnail's click (Enter on a focused link clicks
// it), moves with the arrow keys, the buttons and a swipe, and hands the
// focus back to the thumbnail on close. The dialog element closes itself on Esc.
// Without script, or a browser without dialogs, the thumbnails stay plain
// links to the pictures.
inline constexpr const char* viewerScript = R"JS((function () {
  'use strict';
  var viewer = document.getElementById('viewer');
  var links = document.querySelectorAll('a.thumb');
  if (!viewer || !links.length || typeof viewer.showModal !== 'function')
    return;
  var stage = viewer.querySelector('.viewer-stage');
  var caption = document.getElementById('viewer-caption');
  var count = viewer.querySelector('.viewer-count');
  var closeButton = viewer.querySelector('.viewer-close');
  var current = 0;
  var opener = null;

  function show(index) {
    current = (index + links.length) % links.length;
    var link = links[current];
    var thumb = link.querySelector('img');
    var picture = document.createElement('img');
    picture.setAttribute('width', thumb.getAttribute('width'));
    picture.setAttribute('height', thumb.getAttribute('height'));
    picture.alt = thumb.alt;
    picture.decoding = 'async';
    picture.src = link.getAttribute('href');
    stage.textContent = '';
    stage.appendChild(picture);
    caption.textContent = thumb.alt;
    count.textContent = (current + 1) + ' / ' + links.length;
    if (links.length > 1)
      new Image().src = links[(current + 1) % links.length].getAttribute('href');
  }

  function open(index, from) {
    opener = from;
    show(index);
    document.documentElement.classList.add('viewing');
    viewer.showModal();
    closeButton.focus();
  }

  Array.prototype.forEach.call(links, function (link, index) {
    link.addEventListener('click', function (event) {
      if (event.button !== 0 || event.ctrlKey || event.metaKey || event.shiftKey || event.altKey)
        return;
      event.preventDefault();
      open(index, link);
    });
  });
  viewer.addEventListener('keydown', function (event) {
    if (event.key === 'ArrowRight')
      show(current + 1);
    else if (event.key === 'ArrowLeft')
      show(current - 1);
    else
      return;
    event.preventDefault();
  });
  // On a touch screen a sideways swipe moves.
  var touchX = null;
  stage.addEventListener('touchstart', function (event) {
    touchX = event.touches.length === 1 ? event.touches[0].clientX : null;
  }, { passive: true });
  stage.addEventListener('touchend', function (event) {
    if (touchX === null || !event.changedTouches.length)
      return;
    var moved = event.changedTouches[0].clientX - touchX;
    touchX = null;
    if (Math.abs(moved) > 40)
      show(current + (moved < 0 ? 1 : -1));
  });
  viewer.querySelector('.viewer-prev').addEventListener('click', function () { show(current - 1); });
  viewer.querySelector('.viewer-next').addEventListener('click', function () { show(current + 1); });
  closeButton.addEventListener('click', function () { viewer.close(); });
  viewer.addEventListener('click', function (event) {
    if (event.target === viewer || event.target === stage)
      viewer.close();
  });
  viewer.addEventListener('close', function () {
    document.documentElement.classList.remove('viewing');
    if (opener)
      opener.focus();
  });
})();
)JS";

} // namespace gmsmodern
