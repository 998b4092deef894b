#pragma once

#include "core/scan/PageDownload.h"

#include <QString>

namespace scan {

// Downloads one page and returns its body decoded as Latin-1, or the empty string when nothing could be
// fetched (bad URL, no http or https scheme, refused, unresolved). One GET on a direct connection (no proxy,
// whatever the environment says), User-Agent "Mozilla", redirects followed, the status not looked at. While
// the body downloads, the calling thread's event loop keeps serving events, so a window stays responsive and
// a stop request can be seen. A body that ends early, times out or reaches the size limit gives what was
// read. Nothing of the transfer (reply, socket, manager) outlives the call.
QString FetchPage(const QString &url);
QString FetchPage(const QString &url, const FetchOptions &options);

} // namespace scan
