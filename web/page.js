var Module = {
  canvas: document.getElementById('canvas'),
  print: function (t) { console.log(t); },
  printErr: function (t) { console.error(t); },
  onRuntimeInitialized: function () {
    Module.FS.mkdir('/replays');
    Module.ccall('RunWebGame', null, ['string'], ['--record\n/replays/test.vrp'], {async: true});
  },
  gameEnded: function (status) { console.log('game ended ' + status); },
};
