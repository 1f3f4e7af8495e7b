// Games against a friend, through a relay (docs/relay.md): Play with a
// friend opens a room as the desktop's --host does, and the page shows its
// code and a link to send; the link opens the page with ?join=CODE, which
// joins the room as --join does. The game itself speaks to the relay
// (src/platform/web/web_link.cpp) and tells the code on its standard output.
import {playVersus} from './games.js';
import {$, Game, Query} from './state.js';

const RelayPort = 6473;

// ?relay=host:port, else the relay beside the page's own server; a page
// opened from this machine (or from a file) plays through a relay here.
function relayAddress() {
  const given = Query.get('relay');
  if (given) return given;
  const host = location.hostname;
  const local = !host || host === 'localhost' || host === '127.0.0.1' || host === '[::1]';
  return `${local ? '127.0.0.1' : host}:${RelayPort}`;
}

// The page that joins a room: this one, with the relay it was given.
function joinLink(code) {
  const link = new URL(location.pathname, location.href);
  link.searchParams.set('join', code);
  if (Query.get('relay')) link.searchParams.set('relay', Query.get('relay'));
  return link.href;
}

function showRoom(text, link = '') {
  $('room-text').textContent = text;
  $('room-link').textContent = link;
  $('room-link').href = link || '#';
  $('room-link').hidden = !link;
  $('copy-link').hidden = !link || !navigator.clipboard;
  $('room').hidden = false;
}

export function hostGame() {
  playVersus(['--host', relayAddress()], () => showRoom(`Opening a room on the relay at ${relayAddress()}...`));
}

export function joinGame(code) {
  playVersus(['--join', code, relayAddress()], () => showRoom(`Joining room ${code}...`));
}

// The one line the host's game writes on its standard output is the room's code.
const RoomCode = /^[A-Z]{9,10}$/;  // ten from a relay with a name
export function heardOnOutput(text) {
  if (!Game.versus || !RoomCode.test(text)) return;
  showRoom(`Room ${text}: send your friend this link, or the code.`, joinLink(text));
}

$('play-friend').onclick = hostGame;
$('copy-link').onclick = () => navigator.clipboard.writeText($('room-link').href).catch(() => {});
