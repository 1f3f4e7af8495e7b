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
  // Names sort by start time; the oldest beyond the newest 50 go.
  async prune() {
    const names = (await this.names()).sort();
    const old = names.slice(0, Math.max(0, names.length - KeptReplays));
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
