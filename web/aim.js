// Where a finger on the frame aims. For now the pointer goes where the
// finger is; the aim through the game's view replaces this.
import * as bridge from './bridge.js';

// The finger at frame pixel (x, y): the game's pointer is put where it acts.
export function aimAt(x, y) { bridge.pointerAt(x, y); }

// The map cell the last aim acts on, {x, y}, or null when not known.
export function aimedCell() { return null; }
