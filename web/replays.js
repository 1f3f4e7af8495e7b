// The browser's storage of every game's replay (IndexedDB), the list of
// them under the frame, and downloads.
import {$} from './state.js';

const KeptReplays = 50;  // as on the desktop

export const Replays = {
  db: null,
  opening: null,
  open() {
    if (!this.opening) {
      this.opening = new Promise((resolve, reject) => {
        if (!window.indexedDB) return reject(new Error('this browser keeps no storage for the page'));
        const request = indexedDB.open('valdorik', 1);
        request.onupgradeneeded = () => request.result.createObjectStore('replays', {keyPath: 'name'});
        request.onsuccess = () => resolve(this.db = request.result);
        request.onerror = () => reject(request.error || new Error('storage refused'));
        request.onblocked = () => reject(new Error('storage is blocked by another tab'));
      });
    }
    return this.opening;
  },
  async run(mode, work) {
    const db = await this.open();
    return new Promise((resolve, reject) => {
      const tx = db.transaction('replays', mode);
      let result;
      tx.oncomplete = () => resolve(result);
      tx.onerror = tx.onabort = () => reject(tx.error || new Error('storage refused'));
      work(tx.objectStore('replays'), (value) => { result = value; });
    });
  },
  put(name, bytes) { return this.run('readwrite', (store) => store.put({name, bytes})); },
  get(name) {
    return this.run('readonly', (store, done) => { store.get(name).onsuccess = (e) => done(e.target.result); });
  },
  names() {
    return this.run('readonly', (store, done) => { store.getAllKeys().onsuccess = (e) => done(e.target.result); });
  },
  // Names sort by start time; the oldest beyond the newest 50 go, but never
  // one named in `keep` (the game being played, the one on offer to go on
  // with), even when a clock set back has put it among the oldest.
  async prune(keep) {
    const names = (await this.names()).sort();
    const old = names.filter((name) => !keep.includes(name)).slice(0, Math.max(0, names.length - KeptReplays));
    if (old.length) await this.run('readwrite', (store) => old.forEach((name) => store.delete(name)));
  },
};

export function download(name, bytes) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], {type: 'application/octet-stream'}));
  link.download = name;
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
}

// The stored replays, newest first, each to download or to watch(name, bytes).
export async function listReplays(watch) {
  let names;
  try { names = (await Replays.names()).sort().reverse(); } catch (e) { return; }
  const list = $('replay-list');
  list.textContent = '';
  for (const name of names) {
    const item = document.createElement('li');
    item.textContent = name;
    const get = document.createElement('button');
    get.textContent = 'Download';
    get.onclick = async () => download(name, (await Replays.get(name)).bytes);
    const watchIt = document.createElement('button');
    watchIt.textContent = 'Watch';
    watchIt.onclick = async () => watch(name, (await Replays.get(name)).bytes);
    item.append(get, watchIt);
    list.appendChild(item);
  }
}

// ---- The game being recorded, kept when the tab goes ----
// IndexedDB work started as the tab goes may never finish, so then the
// recording is copied into localStorage, which writes at once, and moved
// into IndexedDB at the next load. The game's name is kept from its start:
// a tab killed with no word still leaves its game to go on with.
const PlayingKey = 'valdorik.playing', CopyKey = 'valdorik.copy';

export const Interrupted = {
  started(name) {
    try { localStorage.setItem(PlayingKey, name); } catch (e) { /* then no game is offered after a reload */ }
  },
  ended() {
    try { localStorage.removeItem(PlayingKey); localStorage.removeItem(CopyKey); } catch (e) {}
  },
  name() {
    try { return localStorage.getItem(PlayingKey); } catch (e) { return null; }
  },
  // Throws the browser's refusal (its quota, storage turned off); the copy kept before stays.
  keepCopy(name, bytes) {
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    localStorage.setItem(CopyKey, JSON.stringify({name, data: btoa(text)}));
  },
  // The copy into IndexedDB, unless IndexedDB holds as much of the game
  // already (the game went on after the copy, and the tab was killed):
  // passesOf(bytes) says how far each goes, as more passes may take no more
  // bytes. The copy stays until IndexedDB has taken it; one that cannot be
  // read is not one this page wrote, and goes.
  async moveCopy(passesOf) {
    let copy;
    try {
      copy = JSON.parse(localStorage.getItem(CopyKey));
      if (!copy) return;
      copy.bytes = Uint8Array.from(atob(copy.data), (c) => c.charCodeAt(0));
    } catch (e) {
      try { localStorage.removeItem(CopyKey); } catch (e) {}
      return;
    }
    try {
      const stored = await Replays.get(copy.name);
      if (!stored || passesOf(stored.bytes) < passesOf(copy.bytes)) await Replays.put(copy.name, copy.bytes);
      localStorage.removeItem(CopyKey);
    } catch (e) { /* kept in localStorage for the next load */ }
  },
};
