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
// The state dump's unit rows: [id, owner, x, y, ..., type (10), ..., gold (13), hp_max, hp, dead, strength].
const Unit = {id: 0, owner: 1, type: 10, gold: 13, hpMax: 14, hp: 15, dead: 16};
const Player = 0;

function outcomeOf([player, computer, tie]) {
  return tie ? 'a tie' : player ? 'you won' : computer ? 'the computer won' : '';
}

// What the game is doing, and whether it is a replay (the status line names it).
function gameLine(victory, running) {
  const outcome = outcomeOf(victory);
  const what = Game.watching ? (running ? 'Replay plays' : 'Replay over') : (running ? 'Playing' : 'Over');
  return outcome ? `${what}; ${outcome}` : what;
}

// The facts from a state dump: gold (entry 0's treasury), the game's line,
// and the player's selected unit if it stands. Two short lines, so that they
// fit beside the frame on a phone and the controls below them never move
// under a finger.
function factsOf(state) {
  const entry = (id) => state.units.find((u) => u[Unit.id] === id);
  const treasury = entry(Player);
  const picked = entry(state.selected_unit);
  const stands = picked && picked[Unit.owner] === Player && !picked[Unit.dead];
  return {
    gold: treasury ? String(Math.floor(treasury[Unit.gold])) : '0',
    unit: stands ? `${TypeNames[picked[Unit.type]] || 'A unit'}, ${Math.round(picked[Unit.hp])} of ` +
                   `${Math.round(picked[Unit.hpMax])} hit points` : 'Nothing selected',
    game: gameLine(state.victory, true),
  };
}

let last = null;  // the last state read, for the game's line once it has ended

function show(facts) {
  for (const [name, text] of Object.entries(facts)) {
    const field = $(`fact-${name}`);
    if (field.textContent !== text) field.textContent = text;
  }
  $('facts').hidden = false;
}

bridge.followGame({
  presented(frames) {
    if (frames % EveryFrames !== 0) return;
    last = bridge.gameState();
    show(factsOf(last));
  },
  gameEnded() {
    if (last) show({game: gameLine(last.victory, false)});
  },
});
