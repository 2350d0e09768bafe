// What the host program and the page agent give an extension's scripts, done
// inside one browser page so that an extension's own files can be drawn by a
// real browser engine for the guide's pictures. The background page, the tab's
// page and the popup are frames of that page; the extension's scripts run
// unchanged. Only what the pictures need is here: the storage lives in memory,
// and openTab, saveToFile and the log are written to the console.

var TessaryHost = (function () {
  var storage = {};
  var popupState = "";
  var background = null;  // {window, onConnect, onDisconnect, onMessage}
  var tabs = {};          // tab id -> {window, onMessage, channel}
  var frontTab = 0;
  var iconListeners = [];

  function log(who, text) {
    console.log(who + ": " + text);
  }

  // Runs the scripts one after the other in the frame's window, as the page
  // agent does with a tab's content scripts.
  function runScripts(frameWindow, urls, done) {
    if (urls.length == 0) return done();
    var script = frameWindow.document.createElement("script");
    script.src = urls[0];
    script.onload = function () { runScripts(frameWindow, urls.slice(1), done); };
    script.onerror = function () { log("Host", "cannot load " + urls[0]); };
    frameWindow.document.head.appendChild(script);
  }

  // Waits until the frame has loaded the address, then calls ready.
  function loadFrame(frame, url, ready) {
    frame.onload = function () {
      frame.onload = null;
      ready(frame.contentWindow);
    };
    frame.src = url;
  }

  function readTextFile(url) {
    var request = new XMLHttpRequest();
    request.open("GET", url, false);
    request.send();
    return request.status == 200 ? request.responseText : "";
  }

  function backgroundExtension(folder) {
    return {
      log: function (text) { log("BG Script", text); },
      itemGet: function (key, callback) { callback(storage.hasOwnProperty(key) ? storage[key] : ""); },
      itemSet: function (key, value, callback) {
        storage[key] = String(value);
        callback();
      },
      itemDelete: function (key, callback) {
        delete storage[key];
        callback();
      },
      setOnConnect: function (handler) { background.onConnect = handler; },
      setOnDisconnect: function (handler) { background.onDisconnect = handler; },
      setOnMessage: function (handler) { background.onMessage = handler; },
      setIcon: function (state) {
        for (var i = 0; i < iconListeners.length; i++) iconListeners[i](state != 0);
      },
      activeTab: function () { return frontTab; },
      openTab: function (url) { log("Host", "openTab " + url); },
      getTextFile: function (name) { return readTextFile(folder + "customization/" + name); },
      saveToFile: function (name) { log("Host", "saveToFile " + name); }
    };
  }

  function contentExtension(tabId, tab) {
    return {
      connect: function () {
        if (background.onConnect) background.onConnect(tabId, tab.channel, tab.window.location.href);
      },
      // A message crosses to the host program's thread: it arrives a moment later.
      send: function (text) {
        setTimeout(function () { if (background.onMessage) background.onMessage(text, tabId); }, 0);
      },
      setOnMessage: function (handler) { tab.onMessage = handler; },
      setHandler: function (element, name, handler) {
        element.addEventListener(name, function (event) { handler(event); });
      },
      setTimeout: function (callback, delay) { return tab.window.setTimeout(callback, delay); },
      log: function (text) { log("BHO" + tabId, text); }
    };
  }

  return {
    // Loads background.html into the hidden frame and calls its main.
    loadBackground: function (frame, folder, ready) {
      loadFrame(frame, folder + "background.html", function (page) {
        background = { window: page };
        page.main(backgroundExtension(folder));
        ready();
      });
    },

    // Opens the address in the tab's frame, runs the content scripts and main.
    loadTab: function (frame, tabId, url, folder, ready) {
      loadFrame(frame, url, function (page) {
        var tab = { window: page, onMessage: null };
        tab.channel = { send: function (text) { if (tab.onMessage) tab.onMessage(text); } };
        tabs[tabId] = tab;
        frontTab = tabId;
        page.extension = contentExtension(tabId, tab);
        runScripts(page, [folder + "js/mustache.js", folder + "content.js"], function () {
          page.main();
          ready(page);
        });
      });
    },

    // Loads popup.html at the popup's size and calls its main.
    loadPopup: function (frame, folder, ready) {
      loadFrame(frame, folder + "popup.html", function (page) {
        page.main({
          log: function (text) { log("Popup Script", text); },
          getBackgroundWindow: function () { return background.window; },
          getPopupState: function () { return popupState; },
          setPopupState: function (state) { popupState = String(state); }
        });
        ready(page);
      });
    },

    onIcon: function (listener) { iconListeners.push(listener); }
  };
})();
