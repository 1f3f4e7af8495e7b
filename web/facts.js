// The facts a player acts on, told beside the frame in the page's own
// readable text: on a phone the frame's status lines and hit-point labels
// are a few CSS pixels tall. Read from the game's state between passes, a
// few times a second, and written only when they change.
import * as bridge from './bridge.js';
import {$, Game} from './state.js';

// The unit types by the names a player knows them by (their pictures are
// src/pictures/asset_table.h's).
const TypeNames = {
  10: 'Mage', 30: 'Mage eye', 31: 'Floating eye', 32: 'Minotaur', 33: 'Dragon', 34: 'Medusa', 35: 'Mantis',
  36: 'Ogre', 37: 'Floating skeleton', 38: 'Fire serpent', 39: 'Rust monster', 40: 'Giant worm', 41: 'Skeleton',
  42: 'Basilisk', 43: 'Hydra', 44: 'Catapult', 90: 'Mine',
};

const EveryFrames = 10;

function outcomeOf([player, computer, tie]) {
  return tie ? 'a tie' : player ? 'you won' : computer ? 'the computer won' : '';
}

// What the game is doing, and whether it is a replay (the status line names it).
function gameLine(victory, running) {
  const outcome = Game.versus ? '' : outcomeOf(victory);  // a versus game's flags are not the computer's win
  const what = Game.watching ? (running ? 'Replay plays' : 'Replay over') : (running ? 'Playing' : 'Over');
  return outcome ? `${what}; ${outcome}` : what;
}

// The facts from the game's (bridge.gameFacts): gold, the game's line, and
// the player's selected unit if it stands (the player's empire: in a versus
// game, the seat's that plays here). Two short lines, so that they fit
// beside the frame on a phone and the controls below them never move under a
// finger.
function factsOf({gold, selected, victory, replay_ended: replayEnded, empire}, running) {
  const [inUse, owner, type, hp, hpMax, dead] = selected || [];
  const stands = inUse === 1 && owner === empire && !dead;
  return {
    gold: String(Math.floor(gold)),
    unit: stands ? `${TypeNames[type] || 'A unit'}, ${Math.round(hp)} of ${Math.round(hpMax)} hit points`
      : 'Nothing selected',
    game: gameLine(victory, running && !replayEnded),
  };
}

let shown = false;  // the facts of the game running are shown: it has presented a frame

function show(facts) {
  for (const [name, text] of Object.entries(facts)) {
    const field = $(`fact-${name}`);
    if (field.textContent !== text) field.textContent = text;
  }
  $('facts').hidden = false;
}

function showFacts(running) {
  const facts = bridge.gameFacts();
  if (facts) show(factsOf(facts, running));
  shown = running;
}

// The game keeps its world when it ends, so its last facts are read then:
// what its last few frames did shows too. A game that never presented a
// frame (one that could not start) leaves the facts as they were.
bridge.followGame({
  presented(frames) {
    if (frames % EveryFrames === 0 || !shown) showFacts(true);
  },
  gameEnded() {
    if (shown) showFacts(false);
  },
});
