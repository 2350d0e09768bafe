// Tessary Notes: helpers that every part of the extension shares. The page
// agent loads this file first into every page (its name is fixed), and the
// background page and the popup load it with a script element.
//
// Written for the script engine of content scripts, which is that of early
// Internet Explorer: there is no JSON, no Array indexOf or forEach and no
// String trim, so nothing here or in the other scripts uses them.

// [guide:template]
// Templates: {{name}} is replaced by view[name], with the characters that mean
// something in HTML escaped; {{{name}}} inserts the value as it is.
var Mustache = {
  escape: function (text) {
    return String(text).replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;")
        .replace(/"/g, "&quot;").replace(/'/g, "&#39;");
  },
  render: function (template, view) {
    return template.replace(/\{\{(\{?)(\w+)\}?\}\}/g, function (all, raw, key) {
      var value = view[key];
      if (value === undefined || value === null) return "";
      return raw ? String(value) : Mustache.escape(value);
    });
  }
};
// [/guide:template]

// [guide:message-format]
// A message between a content script and the background page is one string.
// This extension makes it of fields separated by "|", each field encoded so
// that it may hold any character, "|" included: "save|fox%20jumps|http...".
var Message = {
  pack: function (fields) {
    var encoded = [];
    for (var i = 0; i < fields.length; i++) encoded.push(encodeURIComponent(fields[i]));
    return encoded.join("|");
  },
  // The fields of a message; null when it is not made as pack makes them.
  unpack: function (text) {
    var fields = String(text).split("|");
    try {
      for (var i = 0; i < fields.length; i++) fields[i] = decodeURIComponent(fields[i]);
    } catch (e) {
      return null;
    }
    return fields;
  }
};
// [/guide:message-format]

function trimText(text) {
  return String(text).replace(/^\s+|\s+$/g, "");
}
