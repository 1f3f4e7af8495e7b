// Keeps the site's files in the browser, so a page loaded once plays without
// a network. Each build is kept whole under its own version: a changed site
// is a new worker, which fetches every file into a new cache and, once no page
// of the old build is open, deletes the old cache. A worker only ever answers
// from its own build's cache, so no page mixes files of two builds.
'use strict';

const Version = 'unbuilt';  // scripts/web-build.sh writes the build's own here
const SiteFiles = ['index.html', 'page.css', 'main.js', 'bridge.js', 'state.js', 'dialogs.js', 'replays.js', 'games.js',
                   'sound.js', 'controls.js', 'touch.js', 'gestures.js', 'aim.js', 'facts.js', 'versus.js', 'valdorik.js',
                   'valdorik.wasm', 'valdorik.data', 'manifest.webmanifest', 'icon-192.png', 'icon-512.png'];
const Site = new URL('./', location.href);
// Other sites on this origin keep their caches: only this folder's builds go.
const CachePrefix = `valdorik ${Site.pathname} `;
const CacheName = CachePrefix + Version;

self.addEventListener('install', (event) => {
  // Past the browser's own cache: a file it still holds from the old build must not join the new one.
  const fresh = SiteFiles.map((file) => new Request(file, {cache: 'reload'}));
  event.waitUntil(caches.open(CacheName).then((cache) => cache.addAll(fresh)));
});

self.addEventListener('activate', (event) => {
  const old = (names) => names.filter((name) => name.startsWith(CachePrefix) && name !== CacheName);
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(old(names).map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

// The page whatever its query (?replay=URL, ?dump-final=1); the other site
// files as asked. Anything else, replays and other origins included, is left
// to the network and never kept.
function keptFile(request) {
  const url = new URL(request.url);
  if (request.method !== 'GET' || url.origin !== Site.origin) return null;
  if (url.pathname === Site.pathname || url.pathname === Site.pathname + 'index.html') return 'index.html';
  const name = url.pathname.slice(Site.pathname.length);
  return url.pathname.startsWith(Site.pathname) && !url.search && SiteFiles.includes(name) ? name : null;
}

self.addEventListener('fetch', (event) => {
  const file = keptFile(event.request);
  if (!file) return;
  // Never caches.open here: it would make again a cache the next build has just deleted.
  event.respondWith(caches.match(file, {cacheName: CacheName}).then((kept) => kept || fetch(event.request)));
});
