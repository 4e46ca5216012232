// Settings: transfer limits, language, default disposition, the password lock, sub-keys and
// tokens, and the error log.
import {direct, directJson, later} from './client.js';
import {changeLanguage, currentLanguage, kLanguages, t} from './i18n.js';
import {el, formatDate, showError, showNote} from './ui.js';

const $ = id => document.getElementById(id);
const kLimits = ['download_task_max', 'download_peer_max', 'upload_task_max', 'upload_peer_max'];

function loadLimits() {
  try {
    const limits = directJson('getTransInfo');
    for (const name of kLimits) $('limits').elements[name].value = limits[name] ?? '';
    showError($('limits-message'), null);
  } catch (error) {
    showError($('limits-message'), error);
  }
}

function saveLimits(e) {
  e.preventDefault();
  const values = {};
  for (const name of kLimits) {
    const n = Number($('limits').elements[name].value);
    if (Number.isInteger(n) && n > 0) values[name] = n;
  }
  try {
    direct('setTransInfo', JSON.stringify(values));
    loadLimits();
    showNote($('limits-message'), t('settings.saved'));
  } catch (error) {
    showError($('limits-message'), error);
  }
}

function fillLanguages() {
  const select = $('language');
  select.replaceChildren(...kLanguages.map(l => el('option', {value: l.type, text: l.name})));
  select.value = String(currentLanguage().type);
}

function loadDisposition() {
  try {
    $('disposition').checked = Number(directJson('getDefaultContentDisposition').default) !== 0;
  } catch (error) {
    $('disposition').disabled = true;
  }
}

async function setLock(e) {
  e.preventDefault();
  try {
    await later('setPassword', {password: $('settings-password').value});
    $('settings-password').value = '';
    showNote($('lock-message'), t('settings.lockSet'));
  } catch (error) {
    showError($('lock-message'), error);
  }
}

function clearLock() {
  try {
    direct('clearPassword');
    showNote($('lock-message'), t('settings.lockCleared'));
  } catch (error) {
    showError($('lock-message'), error);
  }
}

function account(action, argument = {}) {
  return directJson('gAccountAction', action, JSON.stringify(argument));
}

function removeButton(label, onclick) {
  return el('button', {type: 'button', className: 'small', text: t('settings.remove'), 'aria-label': label, onclick});
}

function loadAccounts() {
  try {
    const rams = account('getrams').list || [];
    $('ram-table').tBodies[0].replaceChildren(...rams.map(r => el('tr', {},
        el('td', {text: r.subkeyid}), el('td', {text: formatDate(new Date(r.createtime * 1000).toISOString())}),
        el('td', {}, removeButton(t('settings.removeNamed', {name: r.subkeyid}), () => {
          account('delram', {subkeyid: r.subkeyid});
          loadAccounts();
        })))));
    const tokens = account('getstss').list || [];
    $('sts-table').tBodies[0].replaceChildren(...tokens.map(r => el('tr', {},
        el('td', {text: r.stskeyid}), el('td', {text: formatDate(new Date(r.expiretime * 1000).toISOString())}),
        el('td', {}, removeButton(t('settings.removeNamed', {name: r.stskeyid}), () => {
          account('delsts', {stskeyid: r.stskeyid});
          loadAccounts();
        })))));
    showError($('accounts-message'), null);
  } catch (error) {
    showError($('accounts-message'), error, loadAccounts);
  }
}

function addRam(e) {
  e.preventDefault();
  const form = e.target;
  try {
    account('addram', {subkeyid: form.elements.subkeyid.value.trim(), subsecret: form.elements.subsecret.value});
    form.reset();
    loadAccounts();
  } catch (error) {
    showError($('accounts-message'), error);
  }
}

function addSts(e) {
  e.preventDefault();
  const form = e.target;
  const expires = Math.floor(new Date(form.elements.expiretime.value).getTime() / 1000) || 0;
  try {
    account('addsts', {stskeyid: form.elements.stskeyid.value.trim(), stssecret: form.elements.stssecret.value,
                       token: form.elements.token.value, expiretime: expires});
    form.reset();
    loadAccounts();
  } catch (error) {
    showError($('accounts-message'), error);
  }
}

function loadErrorLog() {
  const list = $('error-log');
  try {
    const log = directJson('getErrorLog');
    const lines = Array.isArray(log.list) ? log.list : [];
    // Each entry is {"msg": "..."}, a log line with its line end.
    const text = line => (typeof line === 'string' ? line : String(line?.msg ?? JSON.stringify(line))).trimEnd();
    list.replaceChildren(...lines.map(line => el('li', {text: text(line)})));
    if (!lines.length) list.replaceChildren(el('li', {className: 'empty', text: t('settings.noErrors')}));
    showError($('log-message'), null);
  } catch (error) {
    showError($('log-message'), error, loadErrorLog);
  }
}

function showVersion() {
  let version = '';
  try {
    const config = JSON.parse(direct('configInfo') || '{}');
    version = typeof config.version === 'string' ? config.version : '';
  } catch (e) {
    version = '';
  }
  $('version').textContent = version || '—';
}

export function showSettings() {
  loadLimits();
  fillLanguages();
  loadDisposition();
  loadAccounts();
  loadErrorLog();
  showVersion();
}

export function initSettings() {
  $('limits').addEventListener('submit', saveLimits);
  $('language').addEventListener('change', () => changeLanguage(Number($('language').value)));
  $('disposition').addEventListener('change', () => {
    direct('setDefaultContentDisposition', JSON.stringify({default: $('disposition').checked ? 1 : 0}));
  });
  $('lock-form').addEventListener('submit', setLock);
  $('clear-password').addEventListener('click', clearLock);
  $('ram-form').addEventListener('submit', addRam);
  $('sts-form').addEventListener('submit', addSts);
  $('refresh-log').addEventListener('click', loadErrorLog);
  $('open-log').addEventListener('click', () => direct('openLogFolder'));
}
