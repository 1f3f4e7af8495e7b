// The page's state: the options of its address, its elements, the game it
// runs and the status line under the frame.

export const Query = new URLSearchParams(location.search);
// ?dump-final=1: every game and replay writes its final state here, and the page shows it.
export const DumpPath = Query.get('dump-final') === '1' ? '/final-state.json' : '';
export const DumpWords = DumpPath ? ['--dump-final', DumpPath] : [];

export const $ = (id) => document.getElementById(id);
export const canvas = $('canvas');

// Games: one at a time; the next waits until the running one has ended.
export const Game = {
  running: false,
  next: null,        // the words of the game to start once the running one ends
  recording: null,   // {name, path, failed} of the game being recorded
  watching: '',      // the player's name for the replay being watched
  fileShown: null,   // {path, name}: the running game's file in the page, and the player's name for it
  lastReplay: null,  // {name, bytes} of the last game recorded
  statusBeforePause: null,  // the status line a pause replaced
  outcome: '',       // won, lost or tie once the game played is decided
  downloadAtEnd: false,  // Download replay pressed while the decided game still ran
  onOffer: null,     // {name, bytes, passes} of the game the last page left unfinished, to go on with
  goingOn: false,    // the game played goes on from one the last page left
  versus: false,     // the game played is against a friend, through a relay (versus.js)
};

// The page's words name the keys on keyboards and the on-screen controls on touch screens.
export const TouchScreen = matchMedia('(pointer: coarse)').matches;
export const byInput = (keys, touch) => (TouchScreen ? touch : keys);

export const Playing = byInput('Playing; Escape ends the game.', 'Playing; the End button ends the game.');

// The status line; while paused, the one the pause gives back.
export function setStatus(text) {
  if (Game.statusBeforePause !== null) Game.statusBeforePause = text;
  else $('status').textContent = text;
}
