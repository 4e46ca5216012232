// The object browser: buckets on the left, the objects of one folder on the right (prefix and
// delimiter "/"), listed page by page as the user scrolls, with the actions on the selection.
import {ZymError, direct, directJson, later} from './client.js';
import {t} from './i18n.js';
import {createBucket, createFolder, headObject, hostFor, kPageSize, listBuckets, listObjects, session,
        shareLink} from './service.js';
import {el, formatDate, formatSize, openDialog, showError, showNote} from './ui.js';
import {VirtualList} from './virtual_list.js';

const kDialogWaitMs = 30 * 60 * 1000; // native dialogs (file choice, name clash, progress) wait on the user
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
  if (state.loading || !state.bucket || (state.entries.length && !state.next) || state.loadError) return;
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
  else showProperties(entry);
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

function selectedObjects() {
  return objectList.selection();
}

function note(text) {
  showNote($('object-message'), text);
}

async function run(work) {
  showError($('object-message'), null);
  try {
    await work();
  } catch (error) {
    showError($('object-message'), error);
  }
}

// Queues local paths for upload into the current folder.
async function queueUpload(list) {
  if (!list || !list.length) return;
  await later('addFile', {location: state.bucket.location, bucket: state.bucket.name, prefix: state.prefix,
                          list: list.map(p => ({path: p.path}))});
  note(t('browser.queued', {n: list.length}));
}

function uploadByDialog() {
  return run(async () => {
    const chosen = await later('selectFileDlg', {}, {timeoutMs: kDialogWaitMs});
    await queueUpload(chosen?.list);
  });
}

function uploadDragged(event) {
  event.preventDefault();
  if (!state.bucket) return;
  run(async () => {
    const dragged = directJson('getDragFiles');
    await queueUpload(dragged?.list);
  });
}

function pasteFiles() {
  if (!state.bucket) return;
  run(async () => {
    const clip = directJson('getClipboardData');
    if (!clip?.list?.length) {
      note(t('browser.nothingToPaste'));
      return;
    }
    await queueUpload(clip.list);
  });
}

function newFolder() {
  return openDialog({
    title: t('browser.newFolder'),
    fields: [{name: 'name', label: t('browser.folderName'), required: true}],
    run: async ({name}) => {
      name = name.trim().replace(/^\/+|\/+$/g, '');
      if (!name) throw new ZymError(0, t('browser.nameNeeded'));
      await createFolder(bucketHost(), state.bucket.name, state.prefix + name + '/');
      reload();
    },
  });
}

function download() {
  const selection = selectedObjects();
  if (!selection.length) return;
  return run(async () => {
    const folder = await later('saveFileDlg', null, {callbackFirst: true, timeoutMs: kDialogWaitMs});
    if (!folder?.path) return;
    await later('saveFile', {
      path: folder.path,
      list: selection.map(e => ({bucket: state.bucket.name, object: e.key, location: state.bucket.location,
                                 filesize: e.size, etag: e.etag || ''})),
    }, {timeoutMs: kDialogWaitMs});
    note(t('browser.downloadQueued', {n: selection.length}));
  });
}

// Copy, and for a move the deletion of the sources once the copy said success.
function copyOrMove(move) {
  const selection = selectedObjects();
  if (!selection.length) return;
  const options = state.buckets.map(b => ({value: b.name, label: `${b.name} (${b.location})`}));
  return openDialog({
    title: move ? t('browser.moveTitle', {n: selection.length}) : t('browser.copyTitle', {n: selection.length}),
    fields: [
      {name: 'bucket', label: t('browser.targetBucket'), type: 'select', options, value: state.bucket.name},
      {name: 'folder', label: t('browser.targetFolder'), value: state.prefix},
    ],
    okText: move ? t('browser.move') : t('browser.copy'),
    run: async ({bucket, folder}) => {
      const target = state.buckets.find(b => b.name === bucket);
      let dst = folder.trim().replace(/^\/+/, '');
      if (dst && !dst.endsWith('/')) dst += '/';
      if (target.name === state.bucket.name && dst === state.prefix) throw new ZymError(0, t('browser.sameFolder'));
      const source = {bucket: state.bucket.name, location: state.bucket.location};
      await later('copyObject', {
        dstbucket: target.name, dstobject: dst, dstlocation: target.location, ...source,
        list: selection.map(e => ({object: e.key, filesize: e.size})),
      }, {timeoutMs: kDialogWaitMs});
      if (move) {
        await later('deleteObject', {...source, list: selection.map(e => ({object: e.key}))},
                    {timeoutMs: kDialogWaitMs});
      }
      reload();
    },
  });
}

function deleteSelection() {
  const selection = selectedObjects();
  if (!selection.length) return;
  const text = selection.length === 1 ? t('browser.deleteOne', {name: selection[0].name})
                                      : t('browser.deleteMany', {n: selection.length});
  return openDialog({
    title: t('browser.delete'), text, danger: true, okText: t('browser.delete'),
    run: async () => {
      await later('deleteObject', {bucket: state.bucket.name, location: state.bucket.location,
                                   list: selection.map(e => ({object: e.key}))}, {timeoutMs: kDialogWaitMs});
      reload();
    },
  });
}

function showProperties(entry = selectedObjects()[0]) {
  if (!entry || entry.folder) return;
  return run(async () => {
    const headers = await headObject(bucketHost(), state.bucket.name, entry.key);
    await openDialog({
      title: t('browser.propertiesOf', {name: entry.name}),
      fields: [
        {name: 'key', label: t('browser.key'), value: entry.key, readonly: true},
        {name: 'size', label: t('browser.size'), value: `${formatSize(entry.size)} (${entry.size})`, readonly: true},
        {name: 'etag', label: 'ETag', value: headers.etag || entry.etag || '', readonly: true},
        {name: 'contentType', label: 'Content-Type', value: headers['content-type'] || ''},
        {name: 'disposition', label: 'Content-Disposition', value: headers['content-disposition'] || ''},
      ],
      okText: t('common.save'),
      run: async ({contentType, disposition}) => {
        const changed = {};
        if (contentType) changed['Content-Type'] = contentType;
        if (disposition) changed['Content-Disposition'] = disposition;
        await later('setMetaObject', {bucket: state.bucket.name, location: state.bucket.location, object: entry.key,
                                      canonicalized_zym_headers: changed});
      },
    });
  });
}

async function share() {
  const entry = selectedObjects()[0];
  if (!entry || entry.folder) return;
  const hour = 3600;
  let copied = false;
  const link = await openDialog({
    title: t('browser.shareTitle', {name: entry.name}),
    fields: [{name: 'expiry', label: t('browser.expiry'), type: 'select', value: String(24 * hour), options: [
      {value: String(hour), label: t('browser.oneHour')},
      {value: String(24 * hour), label: t('browser.oneDay')},
      {value: String(7 * 24 * hour), label: t('browser.oneWeek')},
      {value: String(30 * 24 * hour), label: t('browser.oneMonth')},
    ]}],
    okText: t('browser.makeLink'),
    run: async ({expiry}) => {
      const address = shareLink(bucketHost(), state.bucket.name, entry.key, Number(expiry));
      try {
        direct('setClipboardData', JSON.stringify(address));
      } catch (error) {
        // the page's own copy below still works, and the link is shown either way
      }
      // setClipboardData answers nothing, so the page's own copy is what it can vouch for.
      copied = await navigator.clipboard.writeText(address).then(() => true, () => false);
      return address;
    },
  });
  if (typeof link !== 'string') return;
  await openDialog({title: t('browser.shareTitle', {name: entry.name}),
                    text: copied ? t('browser.linkCopied') : t('browser.linkNotCopied'),
                    fields: [{name: 'link', label: t('browser.link'), type: 'textarea', value: link, readonly: true}]});
}

function callbackRule() {
  return run(async () => {
    const rule = directJson('getCallFunctionInfo', JSON.stringify({bucket: state.bucket.name})) || {};
    await openDialog({
      title: t('browser.callbackTitle', {name: state.bucket.name}),
      text: t('browser.callbackText'),
      fields: [
        {name: 'regular', label: t('browser.callbackPattern'), value: rule.regular || ''},
        {name: 'url', label: t('browser.callbackUrl'), type: 'url', value: rule.url || ''},
        {name: 'num', label: t('browser.callbackNum'), type: 'number', value: String(rule.num ?? 0), min: 0},
        {name: 'status', label: t('browser.callbackOn'), type: 'checkbox', value: !!rule.status},
      ],
      okText: t('common.save'),
      run: async ({regular, url, num, status}) => {
        direct('setCallFunctionInfo', JSON.stringify({bucket: state.bucket.name, regular, url,
                                                      status: status ? 1 : 0, num: Number(num) || 0}));
      },
    });
  });
}

function newBucket() {
  const here = session().location;
  const locations = [...new Set([here, ...state.buckets.map(b => b.location)].filter(Boolean))];
  return openDialog({
    title: t('browser.newBucket'),
    fields: [
      {name: 'name', label: t('browser.bucketName'), required: true},
      {name: 'location', label: t('browser.bucketLocation'), value: here, required: true, suggestions: locations},
    ],
    run: async ({name, location}) => {
      name = name.trim();
      await createBucket(hostFor(location.trim()), name);
      await loadBuckets();
      const made = state.buckets.find(b => b.name === name);
      if (made) navigate(made, '');
    },
  });
}

function deleteBucket() {
  const bucket = state.bucket;
  if (!bucket) return;
  return openDialog({
    title: t('browser.deleteBucket'), text: t('browser.deleteBucketText', {name: bucket.name}), danger: true,
    fields: [
      {name: 'keyid', label: t('login.keyId'), required: true},
      {name: 'keysecret', label: t('login.keySecret'), type: 'password', required: true},
    ],
    okText: t('browser.delete'),
    run: async ({keyid, keysecret}) => {
      await later('deleteBucket', {keyid, keysecret, bucket: bucket.name, location: bucket.location},
                  {timeoutMs: kDialogWaitMs});
      state.bucket = null;
      await loadBuckets();
      reload();
      renderCrumbs();
    },
  });
}

function onSort(by, {toggle = true} = {}) {
  state.sort = {by, ascending: toggle && state.sort.by === by ? !state.sort.ascending : true};
  for (const b of document.querySelectorAll('#view-browser .list-head [data-sort]')) {
    b.setAttribute('aria-sort', b.dataset.sort === by ? (state.sort.ascending ? 'ascending' : 'descending') : 'none');
  }
  refreshView();
}

// The loading counter that the program sends while a download listing queues rows.
export function updateLoadingCount(text) {
  let counts;
  try {
    counts = JSON.parse(text);
  } catch (e) {
    return;
  }
  $('loading-count').hidden = false;
  $('loading-text').textContent = t('browser.loadingCount', {n: counts.count, total: counts.downloadcount});
  clearTimeout(updateLoadingCount.timer);
  updateLoadingCount.timer = setTimeout(() => { $('loading-count').hidden = true; }, 3000);
}

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
    deleteSelection();
  } else if ((e.ctrlKey || e.metaKey) && (e.key === 'v' || e.key === 'V')) {
    e.preventDefault();
    pasteFiles();
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
  $('new-bucket').addEventListener('click', newBucket);
  $('delete-bucket').addEventListener('click', deleteBucket);
  $('upload').addEventListener('click', uploadByDialog);
  $('paste').addEventListener('click', pasteFiles);
  $('new-folder').addEventListener('click', newFolder);
  $('download').addEventListener('click', download);
  $('copy').addEventListener('click', () => copyOrMove(false));
  $('move').addEventListener('click', () => copyOrMove(true));
  $('delete').addEventListener('click', deleteSelection);
  $('properties').addEventListener('click', () => showProperties());
  $('share').addEventListener('click', share);
  $('callback-rule').addEventListener('click', callbackRule);
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
    uploadDragged(e);
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
