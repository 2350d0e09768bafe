// Tessary Notes: the popup, opened by the toolbar button. It lists the notes
// and lets the user add, change, delete and export them; the notes stay with
// the background page, which the popup calls through its window. The popup
// closes as soon as the user clicks elsewhere: what the user is typing is kept
// as the popup's state, and is there again the next time it opens.

var ext = null;          // the popup's extension object, given to main
var background = null;   // the background page's window
var editing = "";        // the identifier of the note in the editor, "" for a new one

var noteTemplate =
    '<li id="note-{{id}}"><span class="text">{{text}}</span> <span class="here">{{here}}</span><br>' +
    '<button id="edit-{{id}}" type="button" onclick="editNote(\'{{id}}\')">Edit</button>' +
    '<button id="delete-{{id}}" type="button" onclick="deleteNote(\'{{id}}\')">Delete</button>' +
    '{{{open}}}</li>';
var EMPTY_TEXT = "No notes yet. Select text on a page and save it, or write one below.";
var openTemplate = '<button id="open-{{id}}" type="button" onclick="openPage(\'{{id}}\')">Open page</button>';

// [guide:popup-main]
function main(extension) {
  ext = extension;
  background = extension.getBackgroundWindow();
  if (!background) {
    extension.log("Notes: the background page cannot be reached");
    return;
  }
  restoreDraft();
  showNotes();
}
// [/guide:popup-main]

// [guide:popup-list]
function showNotes() {
  var list = background.listNotes();
  var fields = list ? Message.unpack(list) : [];
  var html = "";
  for (var i = 0; i + 3 < fields.length; i += 4) {
    var view = { id: fields[i], text: fields[i + 1], here: fields[i + 3] ? "(this page)" : "" };
    view.open = fields[i + 2] ? Mustache.render(openTemplate, view) : "";
    html += Mustache.render(noteTemplate, view);
  }
  document.getElementById("notes").innerHTML = html;
  document.getElementById("empty").innerText = html ? "" : EMPTY_TEXT;
}
// [/guide:popup-list]

function editNote(id) {
  var text = document.getElementById("note-" + id);
  if (!text) return;
  editing = id;
  document.getElementById("note-text").value = text.getElementsByTagName("span")[0].innerText;
  showEditor();
}

function saveNote() {
  var field = document.getElementById("note-text");
  // A note deleted meanwhile is made anew: nothing typed is lost.
  if (!editing || !background.changeNote(editing, field.value)) background.createNote(field.value);
  cancelEdit();
  showNotes();
}

function cancelEdit() {
  editing = "";
  document.getElementById("note-text").value = "";
  showEditor();
}

function deleteNote(id) {
  background.removeNote(id);
  if (editing == id) cancelEdit();
  showNotes();
}

function openPage(id) {
  background.openNotePage(id);
}

function exportNotes() {
  background.exportNotes();
}

function showEditor() {
  document.getElementById("save-note").innerText = editing ? "Save note" : "Add note";
  keepDraft();
}

// [guide:popup-state]
// The popup's state outlives the popup: the host program keeps it until it ends.
function keepDraft() {
  ext.setPopupState(Message.pack([editing, document.getElementById("note-text").value]));
}

function restoreDraft() {
  var draft = Message.unpack(ext.getPopupState());
  if (!draft || draft.length != 2) return;
  editing = draft[0];
  document.getElementById("note-text").value = draft[1];
  document.getElementById("save-note").innerText = editing ? "Save note" : "Add note";
}
// [/guide:popup-state]
