// The content script: runs in every page the user visits, after js\mustache.js.
function main(frameDocument) {
  if (frameDocument) return;  // the top page only
  extension.log("starter: content script on " + location.href);
  extension.connect();
  extension.send("hello");
}
