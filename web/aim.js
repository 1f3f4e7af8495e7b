// Where a finger on the frame aims: at the cell drawn under it. The game
// maps its pointer to cells by a fixed grid round the view centre, not
// through its 3-D view, so the pointer is put at the grid pixel of the cell
// the finger is on (the game works that out: bridge.aimAt). Where that cell
// lies beyond the grid, the square stops at the grid's edge.
//
// While a finger aims, a magnified copy of the frame round it stands in the
// top corner away from it, where the finger hides nothing: the red square
// under the fingertip shows there, or a word that it stopped at the edge.
// The selected unit is marked over the frame, above its picture.
import * as bridge from './bridge.js';
import {$, canvas} from './state.js';

const Frame = {width: 640, height: 480};
const InsetSpan = {width: 80, height: 60};  // the frame pixels the inset shows, magnified

let finger = null;  // the frame pixel a finger on the frame aims from, while it is down
let aimed = null;   // what the last aim acts on, as bridge.aimAt gives it

// With Spin on, the pointer's place across the frame spins the view: the
// finger's own place goes to the game, as a mouse's would.
const spinning = () => $('controls')?.querySelector('[data-latch="Space"]')?.getAttribute('aria-pressed') === 'true';

function aim(always) {
  if (spinning()) {
    aimed = null;
    if (always) bridge.pointerAt(finger.x, finger.y);
    return;
  }
  const seen = bridge.aimAt(finger.x, finger.y);
  if (!seen) return;
  const moved = !aimed || seen.pointer[0] !== aimed.pointer[0] || seen.pointer[1] !== aimed.pointer[1];
  aimed = seen;
  if (always || moved) bridge.pointerAt(...seen.pointer);
}

// The finger at frame pixel (x, y): the game's pointer is put where it acts.
export function aimAt(x, y) {
  finger = {x, y};
  aim(true);
}

// The map cell the last aim acts on, {x, y}, or null when not known.
export function aimedCell() { return aimed && {x: aimed.cell[0], y: aimed.cell[1]}; }

// The aim ends when its finger lifts, or a second joins it (the two then
// move the view); what it acts on stays known.
function aimEnds() {
  finger = null;
  $('aim-view').hidden = true;
}
canvas.addEventListener('touchstart', (e) => { if (e.targetTouches.length > 1) aimEnds(); });
for (const type of ['touchend', 'touchcancel']) canvas.addEventListener(type, aimEnds);

// Drawn as the game presents its frame, in the same task: the WebGL
// canvas still holds the picture then, with no buffer kept for it.
function showInset() {
  const view = $('aim-view');
  const inset = $('aim-inset');
  const left = Math.min(Math.max(finger.x - InsetSpan.width / 2, 0), Frame.width - InsetSpan.width);
  const top = Math.min(Math.max(finger.y - InsetSpan.height / 2, 0), Frame.height - InsetSpan.height);
  const paint = inset.getContext('2d');
  paint.imageSmoothingEnabled = false;
  paint.drawImage(canvas, left, top, InsetSpan.width, InsetSpan.height, 0, 0, inset.width, inset.height);
  // The fingertip's place, in the inset's own pixels.
  const scale = inset.width / InsetSpan.width;
  const x = (finger.x + 0.5 - left) * scale, y = (finger.y + 0.5 - top) * scale;
  paint.strokeStyle = '#fc6';
  paint.lineWidth = 2;
  paint.strokeRect(x - 6, y - 6, 12, 12);
  view.classList.toggle('on-left', finger.x >= Frame.width / 2);
  view.classList.toggle('cut', Boolean(aimed?.cut));
  view.hidden = false;
}

// Above the selected unit's picture while it is drawn.
function markSelected() {
  const mark = $('selected-mark');
  const spot = bridge.selectedSpot();
  mark.hidden = !spot?.top;
  if (mark.hidden) return;
  mark.style.left = `${(spot.top[0] / Frame.width) * 100}%`;
  mark.style.top = `${(spot.top[1] / Frame.height) * 100}%`;
}

bridge.followGame({
  presented() {
    if (finger) {
      aim(false);  // the view may have moved under a still finger
      showInset();
    }
    markSelected();
  },
  gameEnded() {
    finger = null;
    $('aim-view').hidden = true;
    $('selected-mark').hidden = true;
  },
});
