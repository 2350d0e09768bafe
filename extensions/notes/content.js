// Tessary Notes: the content script, run by the page agent in every page the
// user visits, after js/mustache.js. It offers to save the text the user
// selected as a note, and highlights the text of every note on the page. The
// notes themselves live with the background page; this script only asks.

var OFFER_ID = "tessary-notes-offer";
var HIGHLIGHT_CLASS = "tessary-note";

var offer = null;     // the "Save selection as note" button, while it is shown
var chosen = "";      // the text that was selected when the offer was shown

// [guide:content-main]
// main runs once for the page, without an argument, and once more for every
// frame that completes, with the frame's document. Notes works on the top
// page only.
function main(frameDocument) {
  if (frameDocument || !document.body) return;
  extension.setOnMessage(onMessage);
  extension.connect();
  extension.send(Message.pack(["hello", location.href]));
  extension.setHandler(document.body, "mouseup", offerSelection);
}
// [/guide:content-main]

// [guide:content-messaging]
// The background page's messages arrive here, during its call: long work is
// left for a moment later, so that the background page goes on at once.
function onMessage(text) {
  var message = Message.unpack(text);
  if (!message || message[0] != "highlight") return;
  var texts = message.slice(1);
  extension.setTimeout(function () { highlight(texts); }, 0);
}
// [/guide:content-messaging]

// [guide:selection]
// A mouse button released over the page ends a selection: while some text is
// selected, the page shows the offer to keep it.
function offerSelection(event) {
  var target = event ? (event.target || event.srcElement) : null;
  if (target && target.id == OFFER_ID) return;
  var text = selectedText();
  if (text) {
    chosen = text;
    showOffer();
  } else {
    hideOffer();
  }
}

function selectedText() {
  try {
    return trimText(window.getSelection().toString());
  } catch (e) {
    return "";  // a page without a selection to read
  }
}

function saveSelection() {
  if (chosen) extension.send(Message.pack(["save", chosen, location.href]));
  chosen = "";
  hideOffer();
}
// [/guide:selection]

function showOffer() {
  if (offer) return;
  offer = document.createElement("button");
  offer.id = OFFER_ID;
  offer.innerText = "Save selection as note";
  offer.style.cssText = "position: fixed; right: 16px; bottom: 16px; z-index: 2147483647; padding: 6px 12px;" +
      " font: 13px sans-serif; color: #fff; background: #1f5fbf; border: 0; border-radius: 4px; cursor: pointer";
  extension.setHandler(offer, "click", saveSelection);
  document.body.appendChild(offer);
}

function hideOffer() {
  if (!offer) return;
  if (offer.parentNode) offer.parentNode.removeChild(offer);
  offer = null;
}

// [guide:highlight]
// Highlights every place where the text of a note stands within one run of
// the page's text, after taking away the highlights of earlier notes.
function highlight(texts) {
  removeHighlights();
  var runs = [];
  collectTextRuns(document.body, runs);
  for (var i = 0; i < runs.length; i++) markRun(runs[i], texts);
}
// [/guide:highlight]

function removeHighlights() {
  var marks = document.getElementsByTagName("mark");
  var ours = [];
  for (var i = 0; i < marks.length; i++) {
    if (marks[i].className == HIGHLIGHT_CLASS) ours.push(marks[i]);
  }
  for (var j = 0; j < ours.length; j++) {
    var parent = ours[j].parentNode;
    parent.insertBefore(document.createTextNode(ours[j].innerText), ours[j]);
    parent.removeChild(ours[j]);
    parent.normalize();
  }
}

// The page's text nodes, without those of scripts, styles, form fields and
// the offer.
function collectTextRuns(node, runs) {
  var children = node.childNodes;
  for (var i = 0; i < children.length; i++) {
    var child = children[i];
    if (child.nodeType == 3) {
      runs.push(child);
    } else if (child.nodeType == 1 && !/^(SCRIPT|STYLE|TEXTAREA|TITLE|SELECT|OPTION)$/.test(child.tagName) &&
               child.id != OFFER_ID) {
      collectTextRuns(child, runs);
    }
  }
}

// Splits the run around each note text found in it, the earliest first.
function markRun(run, texts) {
  for (;;) {
    var value = run.nodeValue;
    var at = -1, length = 0;
    for (var i = 0; i < texts.length; i++) {
      var found = texts[i] ? value.indexOf(texts[i]) : -1;
      if (found >= 0 && (at < 0 || found < at)) {
        at = found;
        length = texts[i].length;
      }
    }
    if (at < 0) return;
    var parent = run.parentNode;
    if (at > 0) parent.insertBefore(document.createTextNode(value.substring(0, at)), run);
    var mark = document.createElement("mark");
    mark.className = HIGHLIGHT_CLASS;
    mark.style.backgroundColor = "#ffe066";
    mark.innerText = value.substr(at, length);
    parent.insertBefore(mark, run);
    run.nodeValue = value.substring(at + length);
  }
}
