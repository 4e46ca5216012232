// The transfer lists: rows read page by page with getUpload/getDownload, live figures from the
// periodic report (on while the list is shown), one-row reports of finished and failed ones.
import {direct, directJson, later} from './client.js';
import {t} from './i18n.js';
import {el, formatDuration, formatSize, formatSpeed, openDialog, showError, showNote} from './ui.js';
import {VirtualList} from './virtual_list.js';

const kPage = 1000;
const kPagesKept = 8;
const kGraphSeconds = 180;
const $ = id => document.getElementById(id);

const kStatus = {1: 'running', 2: 'waiting', 3: 'stopped', 4: 'finished', 5: 'failed'};

const directions = {
  upload: {get: 'getUpload', change: 'changeUpload', start: 'startUpload', stop: 'stopUpload',
           remove: 'deleteUpload', totalKey: 'upload_total_count', doneKey: 'upload_done_count',
           id: r => `${r.bucket}\n${r.object}`, item: r => ({bucket: r.bucket, object: r.object})},
  download: {get: 'getDownload', change: 'changeDownload', start: 'startDownload', stop: 'stopDownload',
             remove: 'deleteDownload', totalKey: 'download_total_count', doneKey: 'download_done_count',
             id: r => r.fullpath, item: r => ({fullpath: r.fullpath})},
};

const state = {
  direction: 'upload',
  total: 0,
  pages: new Map(), // page number -> rows
  live: new Map(), // id -> live row of the periodic report
  visible: false,
  samples: [], // [{download, upload}] one per report
  failedPages: new Set(),
};

let list;

function dir() {
  return directions[state.direction];
}

function readPage(page) {
  if (state.pages.has(page)) return state.pages.get(page);
  if (state.failedPages.has(page)) return null;
  try {
    const answer = directJson(dir().get, JSON.stringify({start: page * kPage, count: kPage}));
    showHeader(answer);
    state.pages.set(page, answer.list || []);
    // Memory stays bounded on a long list: the pages farthest from this one go first.
    while (state.pages.size > kPagesKept) {
      const far = [...state.pages.keys()].sort((a, b) => Math.abs(b - page) - Math.abs(a - page))[0];
      state.pages.delete(far);
    }
    return state.pages.get(page);
  } catch (error) {
    state.failedPages.add(page);
    showError($('transfer-message'), error, () => reloadList());
    return null;
  }
}

function rowAt(index) {
  const rows = readPage(Math.floor(index / kPage));
  const row = rows?.[index % kPage];
  if (!row) return null;
  const live = state.live.get(dir().id(row));
  return live ? {...row, ...live} : row;
}

function renderRow(index, _, rowEl) {
  const row = rowAt(index);
  if (!row) {
    rowEl.replaceChildren(el('span', {className: 'col name', role: 'gridcell', text: t('common.loading')}));
    return;
  }
  const name = state.direction === 'upload' ? row.object : row.fullpath;
  const size = Number(row.filesize) || 0;
  // A finished row has all its bytes whatever offset the list last read for it.
  const done = row.status === 4 ? size : Math.min(size, Number(row.offset) || 0);
  const percent = row.status === 4 ? 100 : size > 0 ? Math.floor((done * 100) / size) : 0;
  const speed = Number(row.speed) || 0;
  const status = kStatus[row.status] || 'waiting';
  const left = row.status === 1 && speed > 0 ? formatDuration((size - done) / speed) : '';
  const bar = el('progress', {max: 100, value: percent, 'aria-label': t('transfers.percent', {n: percent})});
  rowEl.replaceChildren(
      el('span', {className: 'col name', role: 'gridcell', title: name}, el('span', {className: 'label', text: name}),
         row.errormsg ? el('span', {className: 'error-text', text: row.errormsg}) : ''),
      el('span', {className: 'col size', role: 'gridcell', text: formatSize(size)}),
      el('span', {className: 'col progress', role: 'gridcell'}, bar, el('span', {text: `${percent}%`})),
      el('span', {className: 'col speed', role: 'gridcell', text: row.status === 1 ? formatSpeed(speed) : ''}),
      el('span', {className: 'col left', role: 'gridcell', text: left}),
      el('span', {className: `col state ${status}`, role: 'gridcell', text: t(`transfers.${status}`)}));
  rowEl.dataset.status = status;
}

function showHeader(answer) {
  $('download-speed').textContent = formatSpeed(answer.download || 0);
  $('upload-speed').textContent = formatSpeed(answer.upload || 0);
  $('download-counts').textContent = `${answer.download_done_count || 0} / ${answer.download_total_count || 0}`;
  $('upload-counts').textContent = `${answer.upload_done_count || 0} / ${answer.upload_total_count || 0}`;
  const total = Number(answer[dir().totalKey]) || 0;
  if (total !== state.total) {
    // rows came or went: the pages are read again, after this answer has been taken in
    state.total = total;
    state.pages.clear();
    queueMicrotask(() => {
      list.setItems(Array.from({length: state.total}, (_, i) => i), {keepSelection: true});
      list.setFooter(state.total ? '' : t('transfers.empty'), 'empty');
    });
  }
}

export function reloadList() {
  state.pages.clear();
  state.failedPages.clear();
  state.live.clear();
  showError($('transfer-message'), null);
  state.total = -1;
  const first = readPage(0);
  if (!first) {
    state.total = 0;
    list.setItems([]);
    list.setFooter(t('transfers.unavailable'), 'error');
  }
}

function onReport(text) {
  let report;
  try {
    report = JSON.parse(text);
  } catch (e) {
    return;
  }
  state.samples.push({download: report.download || 0, upload: report.upload || 0});
  if (state.samples.length > kGraphSeconds) state.samples.shift();
  drawGraph();
  for (const row of report.list || []) {
    const id = dir().id(row);
    if (row.status === 4 || row.status === 5) {
      // a finished or failed row keeps its final figures in the page cache
      state.live.delete(id);
      for (const rows of state.pages.values()) {
        const i = rows.findIndex(r => dir().id(r) === id);
        if (i >= 0) rows[i] = {...rows[i], ...row};
      }
    } else {
      state.live.set(id, row);
    }
  }
  showHeader(report);
  list.render();
}

function drawGraph() {
  const canvas = $('speed-graph');
  const g = canvas.getContext('2d');
  const {width, height} = canvas;
  g.clearRect(0, 0, width, height);
  const max = Math.max(1, ...state.samples.map(s => Math.max(s.download, s.upload)));
  const style = getComputedStyle(document.documentElement);
  const line = (key, color) => {
    g.beginPath();
    g.strokeStyle = color;
    g.lineWidth = 1.5;
    state.samples.forEach((s, i) => {
      const x = width - (state.samples.length - 1 - i) * (width / kGraphSeconds);
      const y = height - 2 - (s[key] / max) * (height - 4);
      if (i === 0) g.moveTo(x, y);
      else g.lineTo(x, y);
    });
    g.stroke();
  };
  line('download', style.getPropertyValue('--download').trim() || '#1f5fa8');
  line('upload', style.getPropertyValue('--upload').trim() || '#2e9d57');
}

// The periodic report runs only while the list is shown; one-row reports always arrive.
function register(on) {
  for (const name of ['upload', 'download']) {
    const enabled = on && name === state.direction;
    try {
      direct(directions[name].change, JSON.stringify({start: enabled ? 1 : 0}),
             name === state.direction ? onReport : () => {});
    } catch (error) {
      showError($('transfer-message'), error);
    }
  }
}

export function showTransfers(visible) {
  state.visible = visible;
  register(visible && !document.hidden);
  if (visible) reloadList();
}

function switchDirection(direction) {
  state.direction = direction;
  for (const [id, name] of [['tab-uploads', 'upload'], ['tab-downloads', 'download']]) {
    $(id).setAttribute('aria-selected', String(name === direction));
    $(id).tabIndex = name === direction ? 0 : -1;
  }
  list.setItems([]);
  register(state.visible && !document.hidden);
  reloadList();
}

async function act(fn, argument, confirmText) {
  showError($('transfer-message'), null);
  if (confirmText && !(await openDialog({title: t('transfers.confirm'), text: confirmText, danger: true,
                                         run: async () => true}))) {
    return;
  }
  try {
    await later(fn, argument, {timeoutMs: 60000});
    showNote($('transfer-message'), t('transfers.done'));
    reloadList();
  } catch (error) {
    showError($('transfer-message'), error);
  }
}

function selectionItems() {
  return list.selection().map(i => rowAt(i)).filter(Boolean).map(r => dir().item(r));
}

export function initTransfers() {
  list = new VirtualList($('transfer-list'), {rowHeight: 44, renderRow, label: t('transfers.list')});
  $('tab-uploads').addEventListener('click', () => switchDirection('upload'));
  $('tab-downloads').addEventListener('click', () => switchDirection('download'));
  const onSelection = fn => () => {
    const items = selectionItems();
    if (items.length) act(dir()[fn], {list: items});
    else showNote($('transfer-message'), t('transfers.chooseRows'));
  };
  $('t-start').addEventListener('click', onSelection('start'));
  $('t-stop').addEventListener('click', onSelection('stop'));
  $('t-delete').addEventListener('click', onSelection('remove'));
  $('t-start-all').addEventListener('click', () => act(dir().start, {all: 1}));
  $('t-stop-all').addEventListener('click', () => act(dir().stop, {all: 1}));
  $('t-delete-all').addEventListener('click', () => act(dir().remove, {all: 1, finish: 0}, t('transfers.deleteAllText')));
  $('t-clear').addEventListener('click', () => act(dir().remove, {all: 1, finish: 1}));
  $('transfer-list').addEventListener('keydown', e => {
    if (e.key === 'Delete') {
      e.preventDefault();
      onSelection('remove')();
    } else if (e.key === 'F5') {
      e.preventDefault();
      reloadList();
    }
  });
  // A minimised or hidden window needs no report every second.
  document.addEventListener('visibilitychange', () => {
    if (state.visible) register(!document.hidden);
  });
  drawGraph();
}

export function relabelTransfers() {
  list?.render();
}
