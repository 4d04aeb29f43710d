// The page: two panes, conversion by the engine (engine.js, engine.wasm),
// marks, files, history and keys. Plain JavaScript, no framework.
'use strict';

const kMaxFileBytes = 64 * 1024 * 1024;
const statusLine = document.getElementById('status');
const jrAsJump = document.getElementById('jr-as-jump');
const keepLayout = document.getElementById('keep-layout');
const undoButton = document.getElementById('undo');
const redoButton = document.getElementById('redo');
let engine = null;

// A pane: its text area, the marks and outcomes of its lines (from the last
// conversion, while the line stays as it was), and the file it came from
// (encoding, line end, whether its last line was ended), which Save writes back.
class Pane {
  constructor(id, name, extension) {
    this.section = document.getElementById(id);
    this.name = name;
    this.extension = extension;
    this.text = this.section.querySelector('textarea');
    this.marksLayer = this.section.querySelector('.marks');
    this.fileLabel = this.section.querySelector('.file');
    this.picker = this.section.querySelector('.picker');
    this.lines = [''];
    this.marks = [];        // per line: true when it cannot be converted
    this.outcomes = [];     // per line: how the engine decided it, or undefined
    this.file = null;       // {name, encoding, lineEnd, lastLineEnded}
    this.text.addEventListener('input', () => this.edited());
    this.text.addEventListener('scroll', () => this.placeMarks());
    this.section.querySelector('.open').addEventListener('click', () => this.picker.click());
    this.section.querySelector('.save').addEventListener('click', () => saveGuarded(this));
    this.picker.addEventListener('change', () => {
      if (this.picker.files.length) openFile(this, this.picker.files[0]);
      this.picker.value = '';
    });
    const editor = this.section.querySelector('.editor');
    editor.addEventListener('dragover', (e) => {
      if (!e.dataTransfer.types.includes('Files')) return;
      e.preventDefault();
      editor.classList.add('drop');
    });
    editor.addEventListener('dragleave', () => editor.classList.remove('drop'));
    editor.addEventListener('drop', (e) => {
      editor.classList.remove('drop');
      if (!e.dataTransfer.files.length) return;
      e.preventDefault();
      openFile(this, e.dataTransfer.files[0]);
    });
  }

  state() {
    return { text: this.text.value, lines: this.lines, marks: this.marks, outcomes: this.outcomes, file: this.file };
  }

  restore(state) {
    this.text.value = state.text;
    this.lines = state.lines;
    this.marks = state.marks;
    this.outcomes = state.outcomes;
    this.file = state.file;
    this.showFile();
    this.placeMarks();
  }

  set(text, marks, outcomes, file) {
    this.text.value = text;
    this.lines = text.split('\n');
    this.marks = marks;
    this.outcomes = outcomes;
    this.file = file;
    this.text.setSelectionRange(0, 0);
    this.text.scrollTop = 0;
    this.showFile();
    this.placeMarks();
  }

  // An edit keeps the marks of the lines before and after the changed ones.
  edited() {
    const old = this.lines, now = this.text.value.split('\n');
    let head = 0;
    while (head < old.length && head < now.length && old[head] === now[head]) ++head;
    let tail = 0;
    while (tail < old.length - head && tail < now.length - head &&
           old[old.length - 1 - tail] === now[now.length - 1 - tail]) ++tail;
    const changed = now.length - head - tail;
    const keep = (a) => a.slice(0, head).concat(new Array(changed).fill(undefined), a.slice(old.length - tail));
    this.marks = keep(this.marks);
    this.outcomes = keep(this.outcomes);
    this.lines = now;
    this.placeMarks();
    showStatus();
  }

  lineHeight() { return parseFloat(getComputedStyle(this.text).lineHeight); }

  // A tinted band behind every marked line, moved with the text.
  placeMarks() {
    const height = this.lineHeight(), top = parseFloat(getComputedStyle(this.text).paddingTop);
    const layer = document.createDocumentFragment();
    this.marks.forEach((marked, i) => {
      if (!marked) return;
      const band = document.createElement('div');
      band.style.top = `${top + i * height}px`;
      layer.appendChild(band);
    });
    this.marksLayer.replaceChildren(layer);
    this.marksLayer.style.transform = `translateY(${-this.text.scrollTop}px)`;
  }

  markedCount() { return this.marks.reduce((n, m) => n + (m ? 1 : 0), 0); }

  caretLine() {
    const v = this.text.value, end = this.text.selectionStart;
    let line = 0;
    for (let i = v.indexOf('\n'); i !== -1 && i < end; i = v.indexOf('\n', i + 1)) ++line;
    return line;
  }

  goToLine(line) {
    let at = 0;
    for (let i = 0; i < line; ++i) at = this.text.value.indexOf('\n', at) + 1;
    this.text.focus();
    this.text.setSelectionRange(at, at);
    const y = line * this.lineHeight();
    if (y < this.text.scrollTop || y > this.text.scrollTop + this.text.clientHeight - 2 * this.lineHeight()) {
      this.text.scrollTop = Math.max(0, y - this.text.clientHeight / 3);
    }
    this.placeMarks();
    showStatus();
  }

  showFile() {
    const f = this.file;
    if (!f) {
      this.fileLabel.textContent = '';
      return;
    }
    const encoding = { 'utf8': 'UTF-8', 'utf8-bom': 'UTF-8 with byte order mark', 'utf16le': 'UTF-16 LE',
                       'utf16be': 'UTF-16 BE', 'cp1251': 'Windows-1251', 'koi8-r': 'KOI8-R', 'cp866': 'DOS 866',
                       'latin1': 'ISO 8859-1' }[f.encoding];
    const end = { '\n': 'LF', '\r\n': 'CR LF', '\r': 'CR' }[f.lineEnd];
    this.fileLabel.textContent = `${f.name || 'new'} (${encoding}, ${end})`;
  }
}

const z80 = new Pane('z80', 'Z80', 'z80');
const i8080 = new Pane('i8080', '8080', 'asm');
const panes = [z80, i8080];
let lastFocused = z80;
let note = '';  // what the last action has to say, shown before the counts

// History of conversions and opened files: each step holds both panes as
// they were before it.
const undoSteps = [], redoSteps = [];
function record(label) {
  undoSteps.push({ label, before: panes.map((p) => p.state()) });
  redoSteps.length = 0;
  updateHistoryButtons();
}
function step(from, to, verb) {
  const s = from.pop();
  if (!s) return;
  to.push({ label: s.label, before: panes.map((p) => p.state()) });
  panes.forEach((p, i) => p.restore(s.before[i]));
  to[to.length - 1].after = panes.map((p) => p.text.value);
  note = `${verb} ${s.label}.`;
  updateHistoryButtons();
  showStatus();
}
const undo = () => step(undoSteps, redoSteps, 'Undone:');
const redo = () => step(redoSteps, undoSteps, 'Redone:');
function updateHistoryButtons() {
  undoButton.disabled = !undoSteps.length;
  redoButton.disabled = !redoSteps.length;
  undoButton.textContent = undoSteps.length ? `Undo ${undoSteps[undoSteps.length - 1].label}` : 'Undo';
  redoButton.textContent = redoSteps.length ? `Redo ${redoSteps[redoSteps.length - 1].label}` : 'Redo';
}
// Whether the pane still holds what the last step left in it: Ctrl+Z (or
// Ctrl+Y) in a pane then undoes (redoes) that step; after an edit it undoes
// the typing, as the browser does.
function unchangedSince(steps, pane) {
  const s = steps[steps.length - 1];
  return Boolean(s && s.after && s.after[panes.indexOf(pane)] === pane.text.value);
}

function withExtension(name, extension) {
  return name ? name.replace(/(\.[^./\\]*)?$/, `.${extension}`) : null;
}

function convert(from, to) {
  if (!engine) return;
  const toZ80 = from === i8080;
  const started = performance.now();
  const result = engine.translate(toZ80, from.text.value, { jrAsJump: !toZ80 && jrAsJump.checked, keepLayout: keepLayout.checked });
  const translated = performance.now();
  const marks = Array.from(result.marked, (m) => m === 1);
  const outcomes = result.outcomes.split('\n');
  record(`${from.name} to ${to.name}`);
  // The translation is written as the source file was: same encoding and line end.
  const source = from.file || { name: null, encoding: 'utf8', lineEnd: '\n', lastLineEnded: null };
  from.marks = marks;
  from.outcomes = outcomes;
  from.lines = from.text.value.split('\n');
  from.placeMarks();
  to.set(result.text, marks.slice(), outcomes, { ...source, name: withExtension(source.name, to.extension) });
  undoSteps[undoSteps.length - 1].after = panes.map((p) => p.text.value);
  note = `${from.name} to ${to.name}: ${marks.length} lines translated in ${Math.round(translated - started)} ms, ` +
         `shown in ${Math.round(performance.now() - translated)} ms.`;
  showStatus();
}

async function openFile(pane, file) {
  if (!engine) return;
  if (file.size > kMaxFileBytes) {
    note = `${file.name} was not opened: it has ${file.size} bytes, more than the 64 MiB a pane holds.`;
    showStatus();
    return;
  }
  let bytes;
  try {
    bytes = new Uint8Array(await file.arrayBuffer());
  } catch (e) {
    note = `${file.name} could not be read (${e.message || e}); a folder cannot be opened.`;
    showStatus();
    return;
  }
  let opened;
  try {
    opened = engine.open(bytes);
  } catch (e) {
    note = `${file.name} could not be opened: ${e.message || e}.`;
    showStatus();
    return;
  }
  record(`open ${file.name}`);
  pane.set(opened.text, [], [], { name: file.name, encoding: opened.encoding, lineEnd: opened.lineEnd,
                                  lastLineEnded: opened.lastLineEnded });
  undoSteps[undoSteps.length - 1].after = panes.map((p) => p.text.value);
  note = opened.replaced
    ? `${file.name}: some bytes are not well-formed text and show as \uFFFD; saving writes \uFFFD there.`
    : `Opened ${file.name}.`;
  pane.text.focus();
  showStatus();
}

function save(pane) {
  if (!engine) return;
  const f = pane.file || { name: null, encoding: 'utf8', lineEnd: '\n', lastLineEnded: null };
  const text = pane.text.value;
  // A typed text is saved with a line end after its last line, unless it has one.
  const lastLineEnded = f.lastLineEnded === null ? text !== '' && !text.endsWith('\n') : f.lastLineEnded;
  const bytes = engine.save(text, f.encoding, f.lineEnd, lastLineEnded);
  const name = f.name || `untitled.${pane.extension}`;
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  link.download = name;
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  note = `Saved ${name} (${bytes.length} bytes).`;
  showStatus();
}

const saveGuarded = guarded(save);

// F8 / Shift+F8: the next or previous marked line after the caret, around the end.
function walkMarks(pane, forward) {
  const n = pane.marks.length;
  if (!pane.marks.some((m) => m)) {
    note = `No line of the ${pane.name} pane is marked.`;
    showStatus();
    return;
  }
  const here = pane.caretLine();
  for (let k = 1; k <= n; ++k) {
    const line = ((forward ? here + k : here - k) % n + n) % n;
    if (pane.marks[line]) {
      note = '';
      pane.goToLine(line);
      return;
    }
  }
}

function showStatus() {
  const counts = panes.map((p) => {
    const lines = p.text.value === '' ? 0 : p.lines.length;
    return `${p.name}: ${lines} lines, ${p.markedCount()} cannot convert`;
  }).join(' \u00b7 ');
  const pane = lastFocused;
  const line = pane.caretLine();
  const outcome = pane.outcomes[line];
  const here = `${pane.name} line ${line + 1}` + (outcome ? `: ${pane.marks[line] ? 'cannot convert, ' : ''}${outcome}` : '');
  statusLine.textContent = [note, counts, here].filter((s) => s).join(' \u2014 ');
}

// A failure of the engine (memory exhausted by a huge text) is reported; the
// panes keep what they held, as nothing is changed before the engine answers.
function guarded(action) {
  return (...args) => {
    try {
      return action(...args);
    } catch (e) {
      note = `That failed: ${e.message || e}. The panes are as they were.`;
      showStatus();
      return undefined;
    }
  };
}
const convertGuarded = guarded(convert);
document.getElementById('to-8080').addEventListener('click', () => convertGuarded(z80, i8080));
document.getElementById('to-z80').addEventListener('click', () => convertGuarded(i8080, z80));
undoButton.addEventListener('click', undo);
redoButton.addEventListener('click', redo);
for (const p of panes) {
  p.text.addEventListener('focus', () => { lastFocused = p; showStatus(); });
  for (const type of ['keyup', 'click']) p.text.addEventListener(type, showStatus);
}
window.addEventListener('resize', () => panes.forEach((p) => p.placeMarks()));

document.addEventListener('keydown', (e) => {
  const pane = panes.find((p) => p.text === document.activeElement) || null;
  const ctrl = e.ctrlKey || e.metaKey;
  let handled = true;
  if (e.key === 'F8') walkMarks(pane || lastFocused, !e.shiftKey);
  else if (ctrl && e.key === '.') convertGuarded(z80, i8080);
  else if (ctrl && e.key === ',') convertGuarded(i8080, z80);
  else if (ctrl && !e.shiftKey && e.key.toLowerCase() === 'o') (pane || lastFocused).picker.click();
  else if (ctrl && !e.shiftKey && e.key.toLowerCase() === 's') saveGuarded(pane || lastFocused);
  else if (ctrl && !e.shiftKey && e.key.toLowerCase() === 'z' && (!pane || unchangedSince(undoSteps, pane))) undo();
  else if (ctrl && (e.key.toLowerCase() === 'y' || (e.shiftKey && e.key.toLowerCase() === 'z')) &&
           (!pane || unchangedSince(redoSteps, pane))) redo();
  else handled = false;
  if (handled) e.preventDefault();
});

function started(m) {
  // The rule chains are set up on their first line (their patterns compiled):
  // done here, while the page loads, rather than on the first press of ">".
  m.translate(false, '\tld a,b', {});
  m.translate(true, '\tmov a,b', {});
  engine = m;
  note = 'Ready.';
  showStatus();
}
function failed(e) {
  statusLine.textContent = `The engine could not be loaded (${e.message || e}).`;
}
// engine.js fetches engine.wasm; a page opened as a file can fetch nothing,
// and loads engine-file.js, which holds the WebAssembly inside.
const engineScript = document.createElement('script');
engineScript.src = location.protocol === 'file:' ? 'engine-file.js' : 'engine.js';
engineScript.onload = () => createEngine().then(started, failed);
engineScript.onerror = () => failed(`${engineScript.src} is missing`);
document.body.appendChild(engineScript);
