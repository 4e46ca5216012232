// The object browser: buckets on the left, the objects of one folder on the right (prefix and
// delimiter "/"), listed page by page as the user scrolls, with the actions on the selection.
import {initActions} from './browser_actions.js';
import {direct} from './client.js';
import {t} from './i18n.js';
import {hostFor, kPageSize, listBuckets, listObjects, session} from './service.js';
import {el, formatDate, formatSize, showError} from './ui.js';
import {VirtualList} from './virtual_list.js';

const $ = id => document.getElementById(id);

const state = {
  buckets: [],
  bucket: null, // {name, location}
  prefix: '',
  entries: [], // loaded entries of the folder: {key, name, folder, size, modified, etag}
  next: '', // marker of the next page, '' when everything is loaded
  loading: false,
  generation: 0, // bumps on every navigation so late pages of an old folder are dropped
  sort: {by: 'name', ascending: true},
  filter: '',
  back: [],
  forward: [],
  loadError: null,
  listed: false, // the first page of the folder has arrived
};

let bucketList;
let objectList;
let actions;

function bucketHost(bucket = state.bucket) {
  return hostFor(bucket.location);
}

function nameOf(key, prefix) {
  const rest = key.slice(prefix.length);
  return rest.endsWith('/') ? rest.slice(0, -1) : rest;
}

function folderIcon(folder) {
  const svg = document.createElementNS('http://www.w3.org/2000/svg', 'svg');
  svg.setAttribute('viewBox', '0 0 16 16');
  svg.setAttribute('aria-hidden', 'true');
  svg.setAttribute('class', folder ? 'glyph folder' : 'glyph file');
  const path = document.createElementNS('http://www.w3.org/2000/svg', 'path');
  path.setAttribute('d', folder ? 'M1 3h5l2 2h7v8H1z' : 'M3 1h7l3 3v11H3z');
  svg.append(path);
  return svg;
}

function renderObjectRow(entry, index, row) {
  row.replaceChildren(
      el('span', {className: 'col name', role: 'gridcell'}, folderIcon(entry.folder),
         el('span', {className: 'label', text: entry.name})),
      el('span', {className: 'col size', role: 'gridcell', text: entry.folder ? '' : formatSize(entry.size)}),
      el('span', {className: 'col date', role: 'gridcell', text: formatDate(entry.modified)}));
  row.title = entry.key;
  row.setAttribute('aria-label', entry.folder ? t('browser.folderLabel', {name: entry.name}) : entry.name);
}

function renderBucketRow(bucket, index, row) {
  row.setAttribute('role', 'option');
  row.replaceChildren(el('span', {className: 'label', text: bucket.name}),
                      el('span', {className: 'sub', text: bucket.location}));
  row.classList.toggle('current', state.bucket?.name === bucket.name);
}

// Folders first, then the chosen order; the filter matches names anywhere, ignoring case.
function visibleEntries() {
  const filter = state.filter.toLowerCase();
  const list = filter ? state.entries.filter(e => e.name.toLowerCase().includes(filter)) : state.entries.slice();
  const {by, ascending} = state.sort;
  const sign = ascending ? 1 : -1;
  const collator = new Intl.Collator(undefined, {numeric: true});
  list.sort((a, b) => {
    if (a.folder !== b.folder) return a.folder ? -1 : 1;
    let d = 0;
    if (by === 'size') d = a.size - b.size;
    else if (by === 'date') d = (a.modified < b.modified ? -1 : a.modified > b.modified ? 1 : 0);
    if (d === 0) d = collator.compare(a.name, b.name);
    return d * sign;
  });
  return list;
}

function refreshView({keepSelection = false} = {}) {
  objectList.setItems(visibleEntries(), {keepSelection});
  updateFooter();
  updateStatus();
}

function updateFooter() {
  if (state.loadError) objectList.setFooter(t('browser.loadFailed'), 'error');
  else if (state.loading) objectList.setFooter(t('common.loading'), 'loading');
  else if (state.next) objectList.setFooter(t('browser.more'), 'more');
  else if (!state.bucket) objectList.setFooter(state.buckets.length ? t('browser.chooseBucket') : '', 'empty');
  else if (!objectList.items.length) {
    objectList.setFooter(state.filter ? t('browser.noMatch') : t('browser.emptyFolder'), 'empty');
  } else objectList.setFooter('');
}

function updateStatus() {
  const status = $('object-status');
  if (!state.bucket) {
    status.textContent = '';
    status.dataset.complete = 'false';
    return;
  }
  const shown = objectList.items.length;
  const loaded = state.entries.length;
  const selected = objectList.selected.size;
  let text = t('browser.count', {n: loaded});
  if (state.filter) text = t('browser.countFiltered', {n: shown, total: loaded});
  if (state.next) text += ' · ' + t('browser.partial');
  if (selected) text += ' · ' + t('browser.selected', {n: selected});
  status.textContent = text;
  status.dataset.loaded = String(loaded);
  status.dataset.complete = String(state.listed && !state.next && !state.loading);
}

function updateActions() {
  const selection = objectList.selection();
  const objects = selection.filter(e => !e.folder);
  for (const b of document.querySelectorAll('#view-browser .actions button')) {
    const needs = b.dataset.needs;
    b.disabled = !state.bucket || (needs === 'any' && !selection.length) ||
        (needs === 'object' && (objects.length !== 1 || selection.length !== 1));
  }
  $('back').disabled = !state.back.length;
  $('forward').disabled = !state.forward.length;
  $('up').disabled = !state.bucket || !state.prefix;
  $('refresh').disabled = !state.bucket;
  $('delete-bucket').disabled = !state.bucket;
  updateStatus();
}

function renderCrumbs() {
  const crumbs = $('crumbs');
  crumbs.replaceChildren();
  if (!state.bucket) return;
  const list = el('ol');
  const parts = state.prefix.split('/').filter(Boolean);
  const add = (label, prefix, current) => {
    const item = el('li');
    item.append(current ? el('span', {'aria-current': 'location', text: label})
                        : el('button', {type: 'button', className: 'link', text: label,
                                        onclick: () => navigate(state.bucket, prefix)}));
    list.append(item);
  };
  add(state.bucket.name, '', parts.length === 0);
  let prefix = '';
  parts.forEach((p, i) => {
    prefix += p + '/';
    add(p, prefix, i === parts.length - 1);
  });
  crumbs.append(list);
}

async function loadNextPage() {
  if (state.loading || !state.bucket || (state.listed && !state.next) || state.loadError) return;
  const generation = state.generation;
  state.loading = true;
  updateFooter();
  const {bucket, prefix} = state;
  try {
    const page = await listObjects({host: bucketHost(bucket), bucket: bucket.name, prefix, marker: state.next,
                                    maxKeys: kPageSize});
    if (generation !== state.generation) return;
    for (const f of page.folders) {
      state.entries.push({key: f.key, name: nameOf(f.key, prefix), folder: true, size: 0, modified: ''});
    }
    for (const o of page.objects) {
      state.entries.push({key: o.key, name: nameOf(o.key, prefix), folder: o.key.endsWith('/'), size: o.size,
                          modified: o.modified, etag: o.etag});
    }
    state.next = page.next;
    state.loading = false;
    state.listed = true;
    showError($('object-message'), null);
    refreshView({keepSelection: true});
  } catch (error) {
    if (generation !== state.generation) return;
    state.loading = false;
    state.loadError = error;
    showError($('object-message'), error, () => {
      state.loadError = null;
      loadNextPage();
    });
    updateFooter();
  }
}

function navigate(bucket, prefix, {record = true} = {}) {
  if (record && state.bucket) {
    state.back.push({bucket: state.bucket, prefix: state.prefix});
    state.forward = [];
  }
  state.bucket = bucket;
  state.prefix = prefix;
  reload();
  bucketList.render();
  renderCrumbs();
}

function reload() {
  state.generation++;
  state.entries = [];
  state.next = '';
  state.loading = false;
  state.listed = false;
  state.loadError = null;
  showError($('object-message'), null);
  refreshView();
  updateActions();
  loadNextPage();
}

function goBack() {
  const to = state.back.pop();
  if (!to) return;
  state.forward.push({bucket: state.bucket, prefix: state.prefix});
  navigate(to.bucket, to.prefix, {record: false});
}

function goForward() {
  const to = state.forward.pop();
  if (!to) return;
  state.back.push({bucket: state.bucket, prefix: state.prefix});
  navigate(to.bucket, to.prefix, {record: false});
}

function goUp() {
  if (!state.bucket || !state.prefix) return;
  const parts = state.prefix.split('/').filter(Boolean);
  parts.pop();
  navigate(state.bucket, parts.length ? parts.join('/') + '/' : '');
}

function openEntry(entry) {
  if (entry.folder) navigate(state.bucket, entry.key);
  else actions.showProperties(entry);
}

export async function loadBuckets() {
  showError($('bucket-message'), null);
  bucketList.setFooter(t('common.loading'), 'loading');
  try {
    state.buckets = await listBuckets(hostFor(session().location));
    state.buckets.sort((a, b) => (a.name < b.name ? -1 : 1));
    bucketList.setItems(state.buckets);
    bucketList.setFooter(state.buckets.length ? '' : t('browser.noBuckets'), 'empty');
    if (state.bucket && !state.buckets.some(b => b.name === state.bucket.name)) {
      state.bucket = null;
      state.back = [];
      state.forward = [];
      reload();
      renderCrumbs();
    }
    updateFooter();
  } catch (error) {
    bucketList.setItems([]);
    bucketList.setFooter(t('browser.bucketsFailed'), 'error');
    showError($('bucket-message'), error, loadBuckets);
  }
}

function onSort(by, {toggle = true} = {}) {
  state.sort = {by, ascending: toggle && state.sort.by === by ? !state.sort.ascending : true};
  for (const b of document.querySelectorAll('#view-browser .list-head [data-sort]')) {
    b.setAttribute('aria-sort', b.dataset.sort === by ? (state.sort.ascending ? 'ascending' : 'descending') : 'none');
  }
  refreshView();
}

// The loading counter that the program sends while a download listing queues rows.
function onKey(e) {
  if (!state.bucket) return;
  const inField = /^(INPUT|TEXTAREA|SELECT)$/.test(e.target.tagName);
  if (e.key === 'F5') {
    e.preventDefault();
    reload();
  } else if (e.altKey && e.key === 'ArrowLeft') {
    e.preventDefault();
    goBack();
  } else if (e.altKey && e.key === 'ArrowRight') {
    e.preventDefault();
    goForward();
  } else if (inField) {
    return;
  } else if (e.key === 'Backspace') {
    e.preventDefault();
    goUp();
  } else if (e.key === 'Delete') {
    e.preventDefault();
    actions.deleteSelection();
  } else if ((e.ctrlKey || e.metaKey) && (e.key === 'v' || e.key === 'V')) {
    e.preventDefault();
    actions.pasteFiles();
  } else if (e.key === 'ContextMenu' || (e.shiftKey && e.key === 'F10')) {
    e.preventDefault();
    document.querySelector('#view-browser .actions button:not(:disabled)')?.focus();
  }
}

export function initBrowser() {
  bucketList = new VirtualList($('bucket-list'), {
    rowHeight: 40, renderRow: renderBucketRow, label: t('browser.buckets'),
    onActivate: bucket => navigate(bucket, ''),
  });
  bucketList.container.setAttribute('aria-multiselectable', 'false');
  bucketList.container.addEventListener('click', e => {
    const index = bucketList.indexOf(e.target);
    if (index >= 0) navigate(bucketList.items[index], '');
  });
  objectList = new VirtualList($('object-list'), {
    rowHeight: 28, renderRow: renderObjectRow, label: t('browser.objects'),
    onNearEnd: () => loadNextPage(), onActivate: openEntry, onSelection: updateActions,
  });
  $('back').addEventListener('click', goBack);
  $('forward').addEventListener('click', goForward);
  $('up').addEventListener('click', goUp);
  $('refresh').addEventListener('click', reload);
  $('refresh-buckets').addEventListener('click', loadBuckets);
  actions = initActions({state, bucketHost, reload, loadBuckets, navigate, renderCrumbs,
                         selection: () => objectList.selection()});
  const on = (id, work) => $(id).addEventListener('click', work);
  on('new-bucket', actions.newBucket);
  on('delete-bucket', actions.deleteBucket);
  on('upload', actions.uploadByDialog);
  on('paste', actions.pasteFiles);
  on('new-folder', actions.newFolder);
  on('download', actions.download);
  on('copy', () => actions.copyOrMove(false));
  on('move', () => actions.copyOrMove(true));
  on('delete', actions.deleteSelection);
  on('properties', () => actions.showProperties());
  on('share', actions.share);
  on('callback-rule', actions.callbackRule);
  $('stop-loading').addEventListener('click', () => direct('stopLoadDownload', '{"all":0}'));
  let filterTimer = 0;
  $('filter').addEventListener('input', () => {
    clearTimeout(filterTimer);
    filterTimer = setTimeout(() => {
      state.filter = $('filter').value.trim();
      refreshView();
    }, 120);
  });
  for (const b of document.querySelectorAll('#view-browser .list-head [data-sort]')) {
    b.addEventListener('click', () => onSort(b.dataset.sort));
  }
  const drop = $('view-browser');
  drop.addEventListener('dragover', e => {
    e.preventDefault();
    drop.classList.add('dropping');
  });
  drop.addEventListener('dragleave', () => drop.classList.remove('dropping'));
  drop.addEventListener('drop', e => {
    drop.classList.remove('dropping');
    actions.uploadDragged(e);
  });
  drop.addEventListener('keydown', onKey);
  onSort('name', {toggle: false});
  updateActions();
  return loadBuckets();
}

export function relabelBrowser() {
  renderCrumbs();
  refreshView({keepSelection: true});
  updateActions();
}
