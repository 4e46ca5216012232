// Page texts in four languages, one JSON file per language in lang/, keys by screen.
// The language follows gGetLanguage and switches live with gChangeLanguage.
import {direct, directJson} from './client.js';

export const kLanguages = [
  {type: 1, file: 'chs', name: '简体中文', tag: 'zh-CN'},
  {type: 2, file: 'en', name: 'English', tag: 'en'},
  {type: 3, file: 'tw', name: '繁體中文', tag: 'zh-TW'},
  {type: 4, file: 'korean', name: '한국어', tag: 'ko'},
];

let texts = {};
let fallback = {};
let current = kLanguages[1];
const listeners = new Set();

// file:// pages cannot use fetch(); a request object reads files beside the page.
function readJson(url) {
  return new Promise((resolve, reject) => {
    const request = new XMLHttpRequest();
    request.open('GET', url);
    request.overrideMimeType('application/json');
    request.onload = () => {
      try {
        resolve(JSON.parse(request.responseText));
      } catch (e) {
        reject(e);
      }
    };
    request.onerror = () => reject(new Error('cannot read ' + url));
    request.send();
  });
}

export function languageType() {
  try {
    const type = Number(directJson('gGetLanguage').type);
    return kLanguages.some(l => l.type === type) ? type : 2;
  } catch (e) {
    return 2;
  }
}

export async function loadLanguage(type = languageType()) {
  const lang = kLanguages.find(l => l.type === type) || kLanguages[1];
  if (!Object.keys(fallback).length) fallback = await readJson('lang/en.json').catch(() => ({}));
  texts = lang.file === 'en' ? fallback : await readJson(`lang/${lang.file}.json`).catch(() => fallback);
  current = lang;
  document.documentElement.lang = lang.tag;
  applyTexts(document);
  for (const listener of listeners) listener(lang);
  return lang;
}

export function currentLanguage() {
  return current;
}

// t('browser.upload', {n: 3}): the text of the key with {name} placeholders filled in.
export function t(key, values) {
  const [screen, name] = key.split('.');
  let text = texts[screen]?.[name] ?? fallback[screen]?.[name] ?? key;
  if (values) text = text.replace(/\{(\w+)\}/g, (all, k) => (k in values ? String(values[k]) : all));
  return text;
}

// data-i18n: text; data-i18n-label: aria-label and title; data-i18n-placeholder.
export function applyTexts(root) {
  for (const el of root.querySelectorAll('[data-i18n]')) el.textContent = t(el.dataset.i18n);
  for (const el of root.querySelectorAll('[data-i18n-label]')) {
    el.setAttribute('aria-label', t(el.dataset.i18nLabel));
    el.title = t(el.dataset.i18nLabel);
  }
  for (const el of root.querySelectorAll('[data-i18n-placeholder]')) el.placeholder = t(el.dataset.i18nPlaceholder);
}

export function onLanguage(listener) {
  listeners.add(listener);
}

// Stores the choice (every window reads it) and shows it here at once.
export async function changeLanguage(type) {
  direct('gChangeLanguage', JSON.stringify({type}));
  return loadLanguage(type);
}

// Another window may have switched the language: check again when this one comes forward.
export function followLanguage() {
  const check = () => {
    const type = languageType();
    if (type !== current.type) loadLanguage(type);
  };
  window.addEventListener('focus', check);
  document.addEventListener('visibilitychange', () => {
    if (!document.hidden) check();
  });
}
