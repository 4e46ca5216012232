// The launchpad window: the object browser, the transfer lists and the settings as three
// views of one window, switched by the tabs of the caption bar.
import {direct} from './client.js';
import {followLanguage, loadLanguage, onLanguage} from './i18n.js';
import {initBrowser, relabelBrowser} from './browser.js';
import {updateLoadingCount} from './browser_actions.js';
import {session} from './service.js';
import {initSettings, showSettings} from './settings.js';
import {initTransfers, relabelTransfers, showTransfers} from './transfers.js';

const $ = id => document.getElementById(id);
const kViews = ['browser', 'transfers', 'settings'];

// The program runs this while a download listing queues rows.
window.zymClientCallback = (event, text) => {
  if (event === 'UpdateLoadingCount') updateLoadingCount(text);
};

function showView(name) {
  for (const v of kViews) {
    const tab = $(`tab-${v}`);
    tab.setAttribute('aria-selected', String(v === name));
    tab.tabIndex = v === name ? 0 : -1;
    $(`view-${v}`).hidden = v !== name;
  }
  showTransfers(name === 'transfers');
  if (name === 'settings') showSettings();
  document.body.dataset.view = name;
}

function initTabs() {
  const tabs = kViews.map(v => $(`tab-${v}`));
  tabs.forEach((tab, i) => {
    tab.addEventListener('click', () => showView(kViews[i]));
    tab.addEventListener('keydown', e => {
      const step = e.key === 'ArrowRight' ? 1 : e.key === 'ArrowLeft' ? -1 : 0;
      if (!step) return;
      e.preventDefault();
      const next = tabs[(i + step + tabs.length) % tabs.length];
      next.focus();
      next.click();
    });
  });
}

async function start() {
  await loadLanguage();
  followLanguage();
  onLanguage(() => {
    relabelBrowser();
    relabelTransfers();
  });
  const who = session();
  $('account').textContent = who.accessId ? `${who.accessId} · ${who.location}` : '';
  initTabs();
  initTransfers();
  initSettings();
  showView(location.hash === '#transfers' ? 'transfers' : location.hash === '#settings' ? 'settings' : 'browser');
  direct('loadFinish');
  await initBrowser();
  document.body.dataset.ready = 'true';
}

start();
