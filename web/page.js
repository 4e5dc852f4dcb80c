// The page around the program: the query string becomes its command line, a click starts
// it (browsers start sound only after a user's gesture), and what a test or a person wants
// to know afterwards is in window.quillmoor.
//
// Everything but window.Module and window.quillmoor stays inside this function: the program's
// script (quillmoor.js) is a classic script whose own globals (run, FS, abort, ...) would
// silently replace ours of the same name.
(() => {
'use strict';

// Query keys and the command-line keywords they become; values are numbers or lists of them.
const optionKeywords = {
  width: '-width:', height: '-height:', adapter: '-adapter:', quitafterframe: '-quitafterframe:',
  shots: '-shots:', clock: '-clock:', fps: '-fps:',
};
const flagKeywords = { windowed: '-windowed', fullscreen: '-fullscreen' };
const shotsDirectory = 'shots';
const extractionFolders = ['data/meshes', 'data/textures'];

function commandLine(search) {
  const query = new URLSearchParams(search);
  const args = [];
  for (const [key, value] of query) {
    if (key in optionKeywords) {
      if (!/^[0-9.,\-]+$/.test(value)) {
        throw new Error('?' + key + '= takes numbers, not "' + value + '"');
      }
      args.push(optionKeywords[key] + value);
    } else if (key in flagKeywords) {
      args.push(flagKeywords[key]);
    } else {
      throw new Error('unknown option ?' + key + '= (known: ' +
                      Object.keys(optionKeywords).concat(Object.keys(flagKeywords)).join(', ') + ')');
    }
  }
  // A page cannot take the screen before the user asks: it starts in its window.
  if (!args.includes('-fullscreen') && !args.includes('-windowed')) args.push('-windowed');
  if (query.has('shots')) args.push('-out:' + shotsDirectory);
  return args;
}

const quillmoor = window.quillmoor = {
  args: null, started: null, firstFrame: null, frames: 0, exitCode: null, done: false, shots: [],
  error: null,
};

const start = document.getElementById('start');
const prompt = document.getElementById('prompt');

function fail(message) {
  quillmoor.error = message;
  quillmoor.done = true;
  prompt.textContent = message;
  start.classList.remove('waiting');
  console.error(message);
}

try {
  quillmoor.args = commandLine(location.search);
} catch (e) {
  fail(e.message);
}

function collectShots() {
  let names = [];
  try {
    names = Module.FS.readdir(shotsDirectory).filter((name) => name.endsWith('.png')).sort();
  } catch (e) {
    return;
  }
  for (const name of names) {
    const bytes = Module.FS.readFile(shotsDirectory + '/' + name);
    const blob = new Blob([bytes], { type: 'image/png' });
    quillmoor.shots.push({ name: name, url: URL.createObjectURL(blob), bytes: bytes.length });
  }
}

window.Module = {
  canvas: document.getElementById('canvas'),
  print: (text) => console.log(text),
  printErr: (text) => console.warn(text),
  preRun: [() => {
    // The archive is extracted into these, which the run directory holds empty as the native
    // one does (the file packager leaves empty folders out).
    for (const folder of extractionFolders) Module.FS.createPath('/', folder, true, true);
    if (quillmoor.args && quillmoor.args.some((a) => a.startsWith('-out:'))) Module.FS.mkdir(shotsDirectory);
  }],
  onRuntimeInitialized: () => {
    if (quillmoor.error) return;
    prompt.textContent = 'click to start';
    start.classList.remove('waiting');
    start.addEventListener('click', startProgram, { once: true });
  },
  // Called by the program each time it shows a frame.
  framePresented: () => {
    quillmoor.frames += 1;
    if (quillmoor.firstFrame === null) quillmoor.firstFrame = performance.now();
  },
  onExit: (code) => {
    quillmoor.exitCode = code;
    collectShots();
    quillmoor.done = true;
    start.style.display = '';
    prompt.textContent = code === 0 ? 'the end — reload to watch again' : 'stopped (exit code ' + code + ')';
  },
  onAbort: (what) => fail('the program stopped: ' + what),
};

// exit() ends the program by throwing ExitStatus; after the program has yielded to the
// browser once, that throw travels up a promise of its frame wait and would read as an
// error. It is the program's normal end (onExit has the code).
window.addEventListener('unhandledrejection', (event) => {
  if (event.reason && event.reason.name === 'ExitStatus') event.preventDefault();
});

function startProgram() {
  try {
    const AudioContextType = window.AudioContext || window.webkitAudioContext;
    if (AudioContextType) {
      Module.audioContext = new AudioContextType();
      Module.audioContext.resume();
    }
  } catch (e) {
    console.warn('no sound: ' + e.message);
  }
  start.style.display = 'none';
  Module.canvas.focus();
  quillmoor.started = performance.now();
  // Out of the click's handler: the program's start-up runs long before its first yield, and
  // the browser would hold the click (and everything after it) unanswered until then.
  setTimeout(() => Module.callMain(quillmoor.args), 0);
}
})();
