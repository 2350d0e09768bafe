// The first content script of every page. Tessary Notes keeps its template
// library here; the file must exist, and may stay as it is.
