// The actions of the object browser on its selection and its buckets: uploads, downloads,
// new folders and buckets, copy and move, delete, properties, share links, callback rules.
import {ZymError, direct, directJson, later} from './client.js';
import {missingCopies} from './copy_check.js';
import {t} from './i18n.js';
import {createBucket, createFolder, headObject, hostFor, session, shareLink} from './service.js';
import {formatSize, openDialog, showError, showNote} from './ui.js';

const kDialogWaitMs = 30 * 60 * 1000; // native dialogs (file choice, name clash, progress) wait on the user
const $ = id => document.getElementById(id);

// The browser's side: its state and what it can be asked to do (set by initActions).
let view;

function selectedObjects() {
  return view.selection();
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
  const {bucket, prefix} = view.state;
  await later('addFile', {location: bucket.location, bucket: bucket.name, prefix,
                          list: list.map(p => ({path: p.path}))}, {timeoutMs: kDialogWaitMs}); // big folder walks
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
  if (!view.state.bucket) return;
  run(async () => {
    const dragged = directJson('getDragFiles');
    await queueUpload(dragged?.list);
  });
}

function pasteFiles() {
  if (!view.state.bucket) return;
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
      await createFolder(view.bucketHost(), view.state.bucket.name, view.state.prefix + name + '/');
      view.reload();
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
      list: selection.map(e => ({bucket: view.state.bucket.name, object: e.key, location: view.state.bucket.location,
                                 filesize: e.size, etag: e.etag || ''})),
    }, {timeoutMs: kDialogWaitMs});
    note(t('browser.downloadQueued', {n: selection.length}));
  });
}

// Copy, and for a move the deletion of the sources once the copy said success.
function copyOrMove(move) {
  const selection = selectedObjects();
  if (!selection.length) return;
  const options = view.state.buckets.map(b => ({value: b.name, label: `${b.name} (${b.location})`}));
  return openDialog({
    title: move ? t('browser.moveTitle', {n: selection.length}) : t('browser.copyTitle', {n: selection.length}),
    fields: [
      {name: 'bucket', label: t('browser.targetBucket'), type: 'select', options, value: view.state.bucket.name},
      {name: 'folder', label: t('browser.targetFolder'), value: view.state.prefix},
    ],
    okText: move ? t('browser.move') : t('browser.copy'),
    run: async ({bucket, folder}) => {
      const target = view.state.buckets.find(b => b.name === bucket);
      let dst = folder.trim().replace(/^\/+/, '');
      if (dst && !dst.endsWith('/')) dst += '/';
      if (target.name === view.state.bucket.name && dst === view.state.prefix) throw new ZymError(0, t('browser.sameFolder'));
      const source = {bucket: view.state.bucket.name, location: view.state.bucket.location};
      await later('copyObject', {
        dstbucket: target.name, dstobject: dst, dstlocation: target.location, ...source,
        list: selection.map(e => ({object: e.key, filesize: e.size})),
      }, {timeoutMs: kDialogWaitMs});
      if (move) {
        const missing = await missingCopies({host: view.bucketHost(), bucket: source.bucket},
                                            {host: hostFor(target.location), bucket: target.name}, dst, selection);
        if (missing.length) {
          view.reload();
          throw new ZymError(0, t('browser.moveIncomplete', {n: missing.length, name: missing[0]}));
        }
        await later('deleteObject', {...source, list: selection.map(e => ({object: e.key}))},
                    {timeoutMs: kDialogWaitMs});
      }
      view.reload();
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
      await later('deleteObject', {bucket: view.state.bucket.name, location: view.state.bucket.location,
                                   list: selection.map(e => ({object: e.key}))}, {timeoutMs: kDialogWaitMs});
      view.reload();
    },
  });
}

function showProperties(entry = selectedObjects()[0]) {
  if (!entry || entry.folder) return;
  return run(async () => {
    const headers = await headObject(view.bucketHost(), view.state.bucket.name, entry.key);
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
        await later('setMetaObject', {bucket: view.state.bucket.name, location: view.state.bucket.location, object: entry.key,
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
      const address = shareLink(view.bucketHost(), view.state.bucket.name, entry.key, Number(expiry));
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
                    fields: [{name: 'link', label: t('browser.link'), type: 'textarea', rows: 5, value: link,
                              readonly: true}]});
}

function callbackRule() {
  return run(async () => {
    const rule = directJson('getCallFunctionInfo', JSON.stringify({bucket: view.state.bucket.name})) || {};
    await openDialog({
      title: t('browser.callbackTitle', {name: view.state.bucket.name}),
      text: t('browser.callbackText'),
      fields: [
        {name: 'regular', label: t('browser.callbackPattern'), value: rule.regular || ''},
        {name: 'url', label: t('browser.callbackUrl'), type: 'url', value: rule.url || ''},
        {name: 'num', label: t('browser.callbackNum'), type: 'number', value: String(rule.num ?? 0), min: 0},
        {name: 'status', label: t('browser.callbackOn'), type: 'checkbox', value: !!rule.status},
      ],
      okText: t('common.save'),
      run: async ({regular, url, num, status}) => {
        direct('setCallFunctionInfo', JSON.stringify({bucket: view.state.bucket.name, regular, url,
                                                      status: status ? 1 : 0, num: Number(num) || 0}));
      },
    });
  });
}

function newBucket() {
  const here = session().location;
  const locations = [...new Set([here, ...view.state.buckets.map(b => b.location)].filter(Boolean))];
  return openDialog({
    title: t('browser.newBucket'),
    fields: [
      {name: 'name', label: t('browser.bucketName'), required: true},
      {name: 'location', label: t('browser.bucketLocation'), value: here, required: true, suggestions: locations},
    ],
    run: async ({name, location}) => {
      name = name.trim();
      await createBucket(hostFor(location.trim()), name);
      await view.loadBuckets();
      const made = view.state.buckets.find(b => b.name === name);
      if (made) view.navigate(made, '');
    },
  });
}

function deleteBucket() {
  const bucket = view.state.bucket;
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
      view.state.bucket = null;
      await view.loadBuckets();
      view.reload();
      view.renderCrumbs();
    },
  });
}

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

export function initActions(browserView) {
  view = browserView;
  return {
    uploadByDialog, uploadDragged, pasteFiles, newFolder, download, copyOrMove, deleteSelection, showProperties,
    share, callbackRule, newBucket, deleteBucket,
  };
}
