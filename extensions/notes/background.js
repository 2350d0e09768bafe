// Tessary Notes: the background page. It keeps the notes in the extension's
// storage, tells the content script of every tab which texts to highlight,
// does what the popup asks, and shows on the toolbar button whether there are
// notes at all. The host program calls main once the page has loaded.

var ext = null;      // the background page's extension object, given to main
var tabs = {};       // tab id -> {channel, page}, while the tab's page is connected
var notes = [];      // {id, text, page} in the order they were made
var changes = 0;     // how often the notes changed, to see a change made during a send

// [guide:background-main]
function main(extension) {
  ext = extension;
  notes = loadNotes();
  ext.setOnConnect(onConnect);
  ext.setOnDisconnect(onDisconnect);
  ext.setOnMessage(onMessage);
  showWhetherNotesExist();
  ext.log("Notes: " + notes.length + " note(s) loaded");
}
// [/guide:background-main]

// [guide:storage]
// The storage keeps strings under string keys, for good and for every tab.
// Notes keeps the identifiers of its notes under "notes" ("3,5,8"), each note
// under "note.<id>" (its text and the address of its page, packed), and the
// last identifier it gave under "last-id". itemGet and itemSet call their
// callback before they return, so reading is an ordinary function.
function read(key) {
  var value = "";
  ext.itemGet(key, function (stored) { value = stored; });
  return value;
}

function write(key, value) {
  ext.itemSet(key, value, function () {});
}
// [/guide:storage]

function loadNotes() {
  var loaded = [];
  var ids = read("notes");
  if (!ids) return loaded;
  ids = ids.split(",");
  for (var i = 0; i < ids.length; i++) {
    var fields = Message.unpack(read("note." + ids[i]));
    if (fields && fields.length == 2 && fields[0]) {
      loaded.push({ id: ids[i], text: fields[0], page: fields[1] });
    } else {
      ext.log("Notes: note " + ids[i] + " cannot be read and is left out");
    }
  }
  return loaded;
}

function findNote(id) {
  for (var i = 0; i < notes.length; i++) {
    if (notes[i].id == id) return i;
  }
  return -1;
}

function writeIndex() {
  var ids = [];
  for (var i = 0; i < notes.length; i++) ids.push(notes[i].id);
  write("notes", ids.join(","));
}

// A note is written before the index names it, and the index is written
// before a note is deleted: whatever stops the host in between, no listed
// note is missing.
function addNote(text, page) {
  text = trimText(text);
  if (!text) {
    ext.log("Notes: an empty note is not kept");
    return "";
  }
  var id = String(Number(read("last-id") || "0") + 1);
  write("last-id", id);
  write("note." + id, Message.pack([text, page]));
  notes.push({ id: id, text: text, page: page });
  writeIndex();
  notesChanged("added note " + id);
  return id;
}

function changeNote(id, text) {
  var index = findNote(id);
  text = trimText(text);
  if (index < 0 || !text) return false;
  notes[index].text = text;
  write("note." + id, Message.pack([text, notes[index].page]));
  notesChanged("changed note " + id);
  return true;
}

// [guide:delete]
function removeNote(id) {
  var index = findNote(id);
  if (index < 0) return false;
  notes.splice(index, 1);
  writeIndex();
  ext.itemDelete("note." + id);
  notesChanged("deleted note " + id);
  return true;
}
// [/guide:delete]

function notesChanged(what) {
  changes++;
  ext.log("Notes: " + what + ", " + notes.length + " note(s) now");
  showWhetherNotesExist();
  for (var tabId in tabs) tellHighlights(tabId);
}

// [guide:seticon]
// The toolbar button is blue while there are notes and red while there are none.
function showWhetherNotesExist() {
  ext.setIcon(notes.length > 0 ? 1 : 0);
}
// [/guide:seticon]

// [guide:background-messaging]
function onConnect(tabId, channel, url) {
  tabs[tabId] = { channel: channel, page: url };
}

// Every page of a tab has a channel of its own: a page that is going away may
// disconnect after the next page of the same tab connected.
function onDisconnect(tabId, channel) {
  if (tabs[tabId] && tabs[tabId].channel === channel) delete tabs[tabId];
}

function onMessage(text, tabId) {
  var message = Message.unpack(text);
  if (!message) {
    ext.log("Notes: tab " + tabId + " sent a message that is not made of fields: " + text);
  } else if (message[0] == "hello" && message.length == 2 && tabs[tabId]) {
    tabs[tabId].page = message[1];
    tellHighlights(tabId);
  } else if (message[0] == "save" && message.length == 3) {
    addNote(message[1], message[2]);
  } else {
    ext.log("Notes: tab " + tabId + " sent a message that Notes does not know: " + text);
  }
}

// The answer goes back on the tab's channel, straight into its content script.
// While send waits, another tab's message may change the notes, and this tab
// may hear of the change before it hears this older answer: it is told again
// until no change came in between.
function tellHighlights(tabId) {
  var told = -1;
  while (tabs[tabId] && told != changes) {
    told = changes;
    var fields = ["highlight"];
    for (var i = 0; i < notes.length; i++) fields.push(notes[i].text);
    try {
      tabs[tabId].channel.send(Message.pack(fields));
    } catch (e) {
      // A tab whose process has ended is disconnected by the host.
      ext.log("Notes: tab " + tabId + " cannot be told its highlights (" + e.message + ")");
      return;
    }
  }
}
// [/guide:background-messaging]

// [guide:popup-calls]
// The popup calls these functions through the background page's window; they
// run on the background page's thread. Only strings and numbers cross.
function listNotes() {
  var front = activePage();
  var fields = [];
  for (var i = 0; i < notes.length; i++) {
    fields.push(notes[i].id, notes[i].text, notes[i].page, notes[i].page == front ? "here" : "");
  }
  return Message.pack(fields);
}
// [/guide:popup-calls]

function createNote(text) {
  return addNote(text, "");
}

// The page of the tab in front, if its content script is connected.
function activePage() {
  var tab = tabs[ext.activeTab()];
  return tab ? tab.page : null;
}

function openNotePage(id) {
  var index = findNote(id);
  if (index < 0 || !notes[index].page) return false;
  ext.openTab(notes[index].page);
  return true;
}

// [guide:export]
// The user picks the file in the Save As dialog, which the host program shows
// on a thread of its own: saveToFile returns at once.
function exportNotes() {
  if (notes.length == 0) return false;
  var header = ext.getTextFile("export-header.txt") || "Notes";
  var lines = [trimText(header), ""];
  for (var i = 0; i < notes.length; i++) {
    lines.push(Mustache.render("{{{number}}}. {{{text}}}", { number: i + 1, text: notes[i].text }));
    if (notes[i].page) lines.push("   " + notes[i].page);
  }
  ext.saveToFile("notes.txt", lines.join("\r\n") + "\r\n");
  return true;
}
// [/guide:export]
