// The facts a player acts on, told beside the frame in the page's own
// readable text: on a phone the frame's status lines and hit-point labels
// are a few CSS pixels tall. Read from the game's state between passes, a
// few times a second, and written only when they change.
import * as bridge from './bridge.js';
import {$, Game} from './state.js';

// The unit types by the names a player knows them by (their pictures are
// src/pictures/asset_table.h's).
export const TypeNames = {
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

// What the game is doing, with the page's word for a replay it plays.
function gameLine(victory, running) {
  const outcome = outcomeOf(victory);
  if (Game.watching) return `${running ? 'A replay plays' : 'The replay is over'}: ${Game.watching}` +
                            (outcome ? `; ${outcome}` : '');
  const said = running ? (outcome || 'playing') : (outcome ? `over; ${outcome}` : 'over');
  return said[0].toUpperCase() + said.slice(1);
}

// The facts from a state dump: gold (entry 0's treasury), the player's
// selected unit if it stands, and the game's line.
export function factsOf(state, running = true) {
  const entry = (id) => state.units.find((u) => u[Unit.id] === id);
  const treasury = entry(Player);
  const picked = entry(state.selected_unit);
  const stands = picked && picked[Unit.owner] === Player && !picked[Unit.dead];
  return {
    gold: treasury ? String(Math.floor(treasury[Unit.gold])) : '0',
    unit: stands ? `${TypeNames[picked[Unit.type]] || 'Unit'}, ${Math.round(picked[Unit.hp])} of ` +
                   `${Math.round(picked[Unit.hpMax])} hit points` : 'nothing',
    game: gameLine(state.victory, running),
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
