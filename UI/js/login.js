// The log-in window: keys, key file or the password lock. The keys are checked with a first
// signed listing, so refused keys are said as such instead of showing an empty launchpad.
import {ZymError, direct, directWord, later} from './client.js';
import {followLanguage, loadLanguage, t} from './i18n.js';
import {hostFor, listBuckets} from './service.js';
import {showError, showNote} from './ui.js';

const kLocationsKey = 'zym.locations';
const kDialogWaitMs = 30 * 60 * 1000; // a native file dialog may stay open for a long time
const $ = id => document.getElementById(id);

function usedLocations() {
  try {
    const list = JSON.parse(localStorage.getItem(kLocationsKey) || '[]');
    return Array.isArray(list) ? list.filter(l => typeof l === 'string') : [];
  } catch (e) {
    return [];
  }
}

function rememberLocation(location) {
  if (!location) return;
  const list = [location, ...usedLocations().filter(l => l !== location)].slice(0, 10);
  try {
    localStorage.setItem(kLocationsKey, JSON.stringify(list));
  } catch (e) {
    // private storage unavailable: the list is a convenience only
  }
}

function fillLocations() {
  const list = $('locations');
  list.replaceChildren();
  for (const l of usedLocations()) {
    const option = document.createElement('option');
    option.value = l;
    list.append(option);
  }
  if (!$('location').value) $('location').value = usedLocations()[0] || '';
}

let busy = false;
async function withBusy(messageEl, work) {
  if (busy) return;
  busy = true;
  document.body.classList.add('busy');
  for (const b of document.querySelectorAll('button')) b.disabled = true;
  showError(messageEl, null);
  try {
    await work();
  } catch (error) {
    showError(messageEl, error);
  } finally {
    busy = false;
    document.body.classList.remove('busy');
    for (const b of document.querySelectorAll('button')) b.disabled = false;
    showNote($('busy'), '');
  }
}

// The first signed request decides whether the keys work.
async function checkKeys(location) {
  showNote($('busy'), t('login.checking'));
  try {
    await listBuckets(hostFor(location));
  } catch (error) {
    if (error instanceof ZymError && error.code === 10) {
      throw new ZymError(10, t('login.refused', {text: error.message}), 'fetch');
    }
    throw error;
  }
}

function openLaunchpad() {
  direct('showLaunchpad');
  direct('closeWnd');
}

async function loginWithKeys(event) {
  event.preventDefault();
  const keyid = $('keyid').value.trim();
  const keysecret = $('keysecret').value;
  const location = $('location').value.trim();
  for (const input of [$('keyid'), $('keysecret'), $('location')]) {
    input.setAttribute('aria-invalid', input.value.trim() ? 'false' : 'true');
  }
  if (!keyid || !keysecret || !location) {
    showNote($('keys-message'), t('login.missing'));
    ($('keyid').value.trim() ? $('keysecret').value ? $('location') : $('keysecret') : $('keyid')).focus();
    return;
  }
  await withBusy($('keys-message'), async () => {
    showNote($('busy'), t('login.loggingIn'));
    await later('loginByKey', {keyid, keysecret, location});
    await checkKeys(location);
    rememberLocation(location);
    if ($('save-keyfile').checked) {
      const encoding = directWord('getDeviceEncoding');
      await later('saveAuthorization', {keyid, keysecret, encoding}, {timeoutMs: kDialogWaitMs});
    }
    if ($('lock').checked) await later('setPassword', {password: $('lock-password').value});
    openLaunchpad();
  });
}

async function loginWithFile() {
  const location = $('location').value.trim();
  if (!location) {
    showNote($('keys-message'), t('login.needLocation'));
    $('location').focus();
    return;
  }
  await withBusy($('keys-message'), async () => {
    await later('loginByFile', {location}, {timeoutMs: kDialogWaitMs});
    await checkKeys(location);
    rememberLocation(location);
    openLaunchpad();
  });
}

async function loginWithPassword(event) {
  event.preventDefault();
  await withBusy($('password-message'), async () => {
    await later('loginPassword', {password: $('password').value});
    await checkKeys(directWord('getCurrentLocation'));
    openLaunchpad();
  });
}

function showForm(locked) {
  $('keys-form').hidden = locked;
  $('password-form').hidden = !locked;
  (locked ? $('password') : $('keyid')).focus();
}

async function start() {
  await loadLanguage();
  followLanguage();
  fillLocations();
  $('lock').addEventListener('change', () => {
    $('lock-fields').hidden = !$('lock').checked;
  });
  $('keys-form').addEventListener('submit', loginWithKeys);
  $('keyfile-button').addEventListener('click', loginWithFile);
  $('password-form').addEventListener('submit', loginWithPassword);
  $('use-keys').addEventListener('click', () => showForm(false));
  showForm(location.hash === '#loginByPassword');
  document.body.dataset.ready = 'true';
  performance.mark('login-ready'); // read by the start-up benchmark
}

start();
