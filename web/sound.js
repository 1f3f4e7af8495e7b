// Sound: browsers let it start only after the player's first click or key.
import {files} from './bridge.js';

const Sound = {
  context: null,
  buffers: new Map(),
  playing: null,
  unlock() {
    if (!this.context && window.AudioContext) this.context = new AudioContext();
    if (this.context && this.context.state === 'suspended') this.context.resume();
  },
  async play(path) {
    if (!this.context || this.context.state !== 'running') return;
    let buffer = this.buffers.get(path);
    if (!buffer) {
      try { buffer = await this.context.decodeAudioData(files.read(path).slice().buffer); } catch (e) { return; }
      this.buffers.set(path, buffer);
    }
    if (this.playing) this.playing.stop();  // a sound still playing is cut off
    this.playing = this.context.createBufferSource();
    this.playing.buffer = buffer;
    this.playing.connect(this.context.destination);
    this.playing.start();
  },
};
addEventListener('pointerdown', () => Sound.unlock(), true);
addEventListener('keydown', () => Sound.unlock(), true);

// Plays one of the game's sound files (a path in its file system).
export function playSound(path) { return Sound.play(path); }
