#include "shell/bridge/bridge_script.h"

#include "bridge/catalogue.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace zym::shell {
namespace {

QString JsonText(const QJsonArray& array)
{
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

// Kept apart from C++ so it reads as the script it is. Placeholders: @KEY@, @UI@, @NAMES@.
const char* const kBridgeTemplate = R"JS(
(function () {
    'use strict';
    var key = @KEY@[0], uiFolder = @UI@[0], names = @NAMES@;
    var path;
    try { path = decodeURIComponent(location.pathname); } catch (e) { return; }
    if (location.protocol !== 'file:' || path.indexOf(uiFolder) !== 0) return;
    // Captured before any page script can replace them.
    var nativePrompt = window.prompt, stringify = JSON.stringify, parse = JSON.parse;
    var bytes = new Uint32Array(4);
    crypto.getRandomValues(bytes);
    var token = Array.prototype.map.call(bytes, function (b) { return b.toString(16); }).join('-');
    var waiting = new Map();
    var kept = new Map(); // function name -> its latest progress registration

    var maxWaiting = 1000;
    function call(name, self, args) {
        var texts = [];
        for (var i = 0; i < args.length; ++i)
            texts.push(typeof args[i] === 'string' ? args[i] : null);
        var raw = nativePrompt.call(window, key, stringify({f: name, a: texts, t: token}));
        if (typeof raw !== 'string' || raw === '') return undefined;
        var reply = parse(raw);
        if (typeof reply.s === 'number' && reply.c >= 0 && reply.k) {
            // A progress registration is answered again and again; the latest one of a
            // function replaces the earlier.
            kept.set(name, {slot: reply.s, callback: args[reply.c], self: self});
        } else if (typeof reply.s === 'number' && reply.c >= 0) {
            // Every call is answered (an unbuilt function at once), so entries leave on their
            // answer; the bound only guards against answers dropped on the native side.
            if (waiting.size >= maxWaiting) waiting.delete(waiting.keys().next().value);
            waiting.set(reply.s, {callback: args[reply.c], self: self});
        }
        return reply.v;
    }

    // Answers travel from the top frame down to the document that made the call; a document
    // that has gone (navigated, reloaded, removed) is no longer reachable by its token.
    function deliver(toToken, slot, text) {
        if (toToken === token) {
            var entry = waiting.get(slot);
            waiting.delete(slot);
            kept.forEach(function (k) { if (k.slot === slot) entry = k; });
            if (entry && typeof entry.callback === 'function') {
                try { entry.callback.call(entry.self, text); } catch (e) { }
            }
            return true;
        }
        for (var i = 0; i < window.frames.length; ++i) {
            try {
                var d = window.frames[i].__zymDeliver;
                if (typeof d === 'function' && d(toToken, slot, text)) return true;
            } catch (e) { }
        }
        return false;
    }
    Object.defineProperty(window, '__zymDeliver', {value: deliver, writable: false, configurable: false});

    var client = {};
    names.forEach(function (name) {
        client[name] = function () { return call(name, this, arguments); };
    });
    window.ZYMClient = client;
})();
)JS";

const char* const kSpaceKeyScript = R"JS(
(function () {
    'use strict';
    function editable(el) {
        if (!el) return false;
        if (el.isContentEditable) return true;
        var tag = el.tagName;
        if (tag === 'TEXTAREA') return !el.readOnly && !el.disabled;
        if (tag !== 'INPUT') return false;
        var type = (el.type || 'text').toLowerCase();
        var textual = ['text', 'search', 'password', 'email', 'url', 'tel', 'number', 'date',
                       'datetime-local', 'month', 'time', 'week'];
        return textual.indexOf(type) >= 0 && !el.readOnly && !el.disabled;
    }
    window.addEventListener('keydown', function (ev) {
        if ((ev.keyCode === 32 || ev.key === ' ') && !editable(document.activeElement))
            ev.preventDefault();
    }, true);
})();
)JS";

} // namespace

QString BridgeScriptSource(const QString& bridgeKey, const QString& uiFolder)
{
    QJsonArray names;
    for (const BridgeFunction& f : Catalogue())
        names.append(QString::fromUtf8(f.name.data(), static_cast<qsizetype>(f.name.size())));
    QString folder = uiFolder;
    if (!folder.endsWith('/'))
        folder += '/';
    QString source = QString::fromUtf8(kBridgeTemplate);
    source.replace("@KEY@", JsonText(QJsonArray{bridgeKey}));
    source.replace("@UI@", JsonText(QJsonArray{folder}));
    source.replace("@NAMES@", JsonText(names));
    return source;
}

QString SpaceKeyScriptSource()
{
    return QString::fromUtf8(kSpaceKeyScript);
}

} // namespace zym::shell
