// The authorization window: the sub-keys and temporary tokens kept on this computer.
import {direct, directJson} from './client.js';
import {loadLanguage} from './i18n.js';
import {el, formatDate, showError} from './ui.js';

const $ = id => document.getElementById(id);
const when = seconds => formatDate(new Date(seconds * 1000).toISOString());

async function start() {
  await loadLanguage();
  $('close').addEventListener('click', () => direct('closeWnd'));
  try {
    const rams = directJson('gAccountAction', 'getrams', '{}').list || [];
    $('ram-table').tBodies[0].replaceChildren(
        ...rams.map(r => el('tr', {}, el('td', {text: r.subkeyid}), el('td', {text: when(r.createtime)}))));
    const tokens = directJson('gAccountAction', 'getstss', '{}').list || [];
    $('sts-table').tBodies[0].replaceChildren(
        ...tokens.map(r => el('tr', {}, el('td', {text: r.stskeyid}), el('td', {text: when(r.expiretime)}))));
  } catch (error) {
    showError($('accounts-message'), error);
  }
  document.body.dataset.ready = 'true';
}

start();
