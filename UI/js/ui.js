// Small helpers shared by the screens: building elements from text, showing errors next to
// what failed, formats, and the one modal dialog.
import {ZymError, kNoAnswer, kUnavailable} from './client.js';
import {t} from './i18n.js';

// Text is always set as text: keys, names and messages never become markup.
export function el(tag, props = {}, ...children) {
  const node = document.createElement(tag);
  for (const [name, value] of Object.entries(props)) {
    if (value === undefined || value === null || value === false) continue;
    if (name === 'text') node.textContent = String(value);
    else if (name === 'className') node.className = value;
    else if (name === 'dataset') Object.assign(node.dataset, value);
    else if (name.startsWith('on')) node.addEventListener(name.slice(2), value);
    else node.setAttribute(name, value === true ? '' : String(value));
  }
  for (const c of children) node.append(c instanceof Node ? c : document.createTextNode(String(c)));
  return node;
}

export function describeError(error) {
  if (error instanceof ZymError) {
    const fn = error.fn && error.fn !== 'fetch' ? `ZYMClient.${error.fn}` : '';
    if (error.code === kNoAnswer) return t('common.noAnswer', {fn});
    if (error.code === kUnavailable) return t('common.unavailable', {fn});
    const text = error.message || t('common.errorCode', {n: error.code});
    return error.code === 9 ? t('common.network', {text}) : text;
  }
  return String(error?.message || error);
}

// Shows the error next to what failed; an empty call clears it.
export function showError(target, error, retry) {
  target.replaceChildren();
  target.classList.toggle('shown', !!error);
  if (!error) return;
  target.append(el('span', {className: 'text', text: describeError(error)}));
  if (error instanceof ZymError) target.dataset.code = String(error.code);
  if (retry) target.append(' ', el('button', {type: 'button', className: 'small', text: t('common.retry'), onclick: retry}));
}

export function showNote(target, text) {
  target.replaceChildren();
  target.classList.toggle('shown', !!text);
  target.removeAttribute('data-code');
  if (text) target.append(el('span', {className: 'text note', text}));
}

const kUnits = ['B', 'KB', 'MB', 'GB', 'TB'];
export function formatSize(bytes) {
  let n = Number(bytes) || 0;
  let u = 0;
  while (n >= 1024 && u < kUnits.length - 1) {
    n /= 1024;
    ++u;
  }
  return u === 0 ? `${n} B` : `${n.toFixed(n < 10 ? 1 : 0)} ${kUnits[u]}`;
}

export function formatSpeed(bytesPerSecond) {
  return `${formatSize(bytesPerSecond)}/s`;
}

export function formatDuration(seconds) {
  if (!isFinite(seconds) || seconds < 0) return '';
  seconds = Math.round(seconds);
  const h = Math.floor(seconds / 3600);
  const m = Math.floor((seconds % 3600) / 60);
  const s = seconds % 60;
  return h ? `${h}:${String(m).padStart(2, '0')}:${String(s).padStart(2, '0')}` : `${m}:${String(s).padStart(2, '0')}`;
}

export function formatDate(text) {
  if (!text) return '';
  const d = new Date(text);
  return isNaN(d) ? text : d.toLocaleString(document.documentElement.lang || undefined);
}

// One modal dialog for every question. fields: [{name, label, type, value, options, required}].
// run(values) does the work; while it runs the dialog stays open and shows its error if it throws.
export function openDialog({title, text, fields = [], okText, run, danger = false}) {
  const dialog = document.getElementById('dialog');
  const body = document.getElementById('dialog-body');
  const message = document.getElementById('dialog-message');
  const ok = document.getElementById('dialog-ok');
  const cancel = document.getElementById('dialog-cancel');
  document.getElementById('dialog-title').textContent = title;
  body.replaceChildren();
  showError(message, null);
  if (text) body.append(el('p', {text}));
  const inputs = {};
  fields.forEach((f, i) => {
    const id = `dialog-field-${i}`;
    let input;
    if (f.type === 'select') {
      input = el('select', {id, name: f.name});
      for (const o of f.options) input.append(el('option', {value: o.value, text: o.label}));
      input.value = f.value ?? '';
    } else if (f.type === 'textarea') {
      input = el('textarea', {id, name: f.name, rows: f.rows || 3, readonly: f.readonly});
      input.value = f.value ?? '';
    } else {
      input = el('input', {id, name: f.name, type: f.type || 'text', required: f.required, readonly: f.readonly,
                           autocomplete: 'off', spellcheck: 'false', min: f.min, max: f.max});
      input.value = f.value ?? '';
      if (f.suggestions?.length) {
        const list = el('datalist', {id: `${id}-list`});
        for (const v of f.suggestions) list.append(el('option', {value: v}));
        input.setAttribute('list', list.id);
        body.append(list);
      }
    }
    inputs[f.name] = input;
    if (f.type === 'checkbox') {
      input.checked = !!f.value;
      body.append(el('label', {className: 'check', for: id}, input, ' ', f.label));
    } else {
      body.append(el('label', {for: id, text: f.label}), input);
    }
  });
  ok.textContent = okText || t('common.ok');
  ok.classList.toggle('danger', danger);
  ok.hidden = !run;
  return new Promise(resolve => {
    let busy = false;
    const values = () => Object.fromEntries(Object.entries(inputs).map(
        ([k, input]) => [k, input.type === 'checkbox' ? input.checked : input.value]));
    const finish = result => {
      dialog.close();
      form.removeEventListener('submit', onSubmit);
      cancel.removeEventListener('click', onCancel);
      dialog.removeEventListener('cancel', onCancel);
      resolve(result);
    };
    const form = document.getElementById('dialog-form');
    const onSubmit = async e => {
      e.preventDefault();
      if (busy || !run) return;
      for (const input of Object.values(inputs)) {
        if (!input.checkValidity()) {
          input.reportValidity();
          return;
        }
      }
      busy = true;
      ok.disabled = true;
      showError(message, null);
      try {
        const result = await run(values());
        finish(result ?? true);
      } catch (error) {
        showError(message, error);
      } finally {
        busy = false;
        ok.disabled = false;
      }
    };
    const onCancel = e => {
      e.preventDefault();
      if (!busy) finish(null);
    };
    form.addEventListener('submit', onSubmit);
    cancel.addEventListener('click', onCancel);
    dialog.addEventListener('cancel', onCancel);
    dialog.showModal();
    const first = Object.values(inputs)[0];
    (first || (run ? ok : cancel)).focus();
    if (first && first.select && first.type !== 'checkbox') first.select();
  });
}
