// The bridge to the game: the one place that calls into the WebAssembly
// module (valdorik.js and valdorik.wasm, from src/platform/web/) and hears
// what it calls back. The rest of the page goes through these functions.
//
// The module object is the toolchain's global `Module`: valdorik.js, a
// classic script, finds it on the window and fills it in, so it stays
// reachable there (the browser tests read it too).
//
// A game, once started, runs on its own and says when it ends; nothing here
// waits for it, and every call below returns at once.

const Module = {
  framesPresented: 0,  // frames the game has presented, and when it presented the first
  firstFrameMs: 0,
};
window.Module = Module;

let gameRuns = false;  // from the start of a game until it says it has ended

// Parts of the page that follow the game beside `page` (the facts beside
// the frame): each hears presented(framesSoFar) and gameEnded(status) after it.
const followers = [];
export function followGame(follower) { followers.push(follower); }

// Loads the game into the page. `page` hears the module's callbacks:
// ready(), gameEnded(status), presented(framesSoFar), message(text: a line
// the desktop writes on stderr), output(text: a line on stdout), sound(path), switchFullscreen() (the game's
// Alt+Enter), showPaused(overlay, width, height, dimming), hidePaused().
export function loadGame(canvas, page) {
  Object.assign(Module, {
    canvas,
    print: (text) => {
      console.log(text);
      if (page.output) page.output(text);
    },
    // The toolchain's own notes about its GL emulation are for the console only.
    printErr: (text) => {
      console.error(text);
      if (!/^(WARNING: using emscripten|TODO: )/.test(text)) page.message(text);
    },
    playSound: (path) => page.sound(path),
    gameEnded: (status) => {
      gameRuns = false;
      page.gameEnded(status);
      for (const follower of followers) follower.gameEnded(status);
    },
    switchFullscreen: () => page.switchFullscreen(),
    showPaused: (overlay, width, height, dimming) => page.showPaused(overlay, width, height, dimming),
    hidePaused: () => page.hidePaused(),
    presented: () => {
      if (Module.framesPresented++ === 0) Module.firstFrameMs = performance.now();
      page.presented(Module.framesPresented);
      for (const follower of followers) follower.presented(Module.framesPresented);
    },
    onRuntimeInitialized: () => page.ready(),
  });
  const script = document.createElement('script');
  script.src = 'valdorik.js';
  document.body.appendChild(script);
}

// ---- Games ----
// The one call that starts a game, with the desktop's command-line words. It
// returns at once: the game plays on in the browser's animation frames and
// tells its end through gameEnded.
export function startGame(words) {
  gameRuns = true;
  Module.ccall('StartWebGame', null, ['string'], [words.join('\n')]);
}

// A Quit after whatever the game has still to take; the end follows.
export function quitGame() { Module._QuitWebGame(); }

// The game's state as --dump-final writes it, parsed; asked between two passes.
export function gameState() { return JSON.parse(Module.UTF8ToString(Module._WebStateDump())); }

// The few facts the page tells beside the frame (main.cpp's WebFacts), far
// cheaper than the whole state; null before the first game.
export function gameFacts() { return JSON.parse(Module.UTF8ToString(Module._WebFacts())); }

// The game's keys by name ("Up", "PageDown", "F1", ...), to their codes.
// Read once: the codes are the game's constants.
let codes = null;
export function keyCodes() { return codes ??= JSON.parse(Module.UTF8ToString(Module._WebKeyCodes())); }

// ---- Input from touch and the on-screen controls ----
// Heard only while a game runs: there is no game to hear it before the
// first starts or between two, and a new game starts with nothing held.
export function pointerAt(x, y) {
  if (gameRuns) Module._WebPointerAt(x, y);
}
export function key(code, down) {
  if (gameRuns) Module._WebKey(code, down ? 1 : 0);
}
export function button(which, down) {
  if (gameRuns) Module._WebButton(which, down ? 1 : 0);
}

// ---- Aiming through the drawn view (aim.js); null while no game runs ----
// The finger at frame pixel (x, y): {pointer: [x, y], the pixel to put the
// pointer at; cell: [x, y] it acts on; cut: whether that stopped at the
// grid's edge; unit: the unit drawn there or -1; square: [x, y] where the
// red square is drawn, or null}.
export function aimAt(x, y) {
  return gameRuns ? JSON.parse(Module.UTF8ToString(Module._WebAimAt(x, y))) : null;
}
// {unit, top: [x, y] above its picture on the frame, or null while not drawn}.
export function selectedSpot() {
  return gameRuns ? JSON.parse(Module.UTF8ToString(Module._WebSelectedSpot())) : null;
}

// ---- Replay files ----
// The recording under way, on the page's file system up to its last pass.
export function flushRecording() { Module._WebFlushReplay(); }
// The largest replay file the game reads, in bytes.
export function largestReplay() { return Module._WebLargestReplay(); }
// The replay file at `path` as the game reads it: {error: 'PATH: why'} or {complete, passes}.
export function checkReplay(path) {
  return JSON.parse(Module.UTF8ToString(Module.ccall('WebCheckReplay', 'number', ['string'], [path])));
}

// ---- The game's file system, in the page's memory ----
export const files = {
  read: (path) => Module.FS.readFile(path),
  write: (path, bytes) => Module.FS.writeFile(path, bytes),
  remove: (path) => Module.FS.unlink(path),
  makeFolder: (path) => Module.FS.mkdir(path),
};
