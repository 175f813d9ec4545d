// The one synchronous HTTP GET of the program: fetches a URL with the global
// connection settings and the given credentials and returns the body parsed
// as XML. Every failure gives an empty document (no root element).
#pragma once

#include "common/CString.h"
#include "content/ResponseBody.h"

#include <tinyxml.h>

#include <cstddef>
#include <memory>

namespace Content
{
// Bounds on one fetch, so that a dead or hostile server can hold a worker
// (and whoever waits for it to stop) only for a while. Milliseconds.
struct CFetchLimits
{
    static const unsigned long DefaultConnectTimeout = 30 * 1000;
    static const unsigned long DefaultSendTimeout = 60 * 1000;
    static const unsigned long DefaultReceiveTimeout = 60 * 1000;
    // From the start until the head of the final response, redirects
    // included: a server that never accepts or never answers costs no more.
    // WinINet's own time-outs do not bound this on every platform.
    static const unsigned long DefaultResponseTimeout = 30 * 1000;
    // The whole fetch, however steadily a server trickles its bytes.
    static const unsigned long DefaultTotalTimeout = 3 * 60 * 1000;

    unsigned long connectTimeout = DefaultConnectTimeout;
    unsigned long sendTimeout = DefaultSendTimeout;
    unsigned long receiveTimeout = DefaultReceiveTimeout;
    unsigned long responseTimeout = DefaultResponseTimeout;
    unsigned long totalTimeout = DefaultTotalTimeout;
    // A larger body is refused whole.
    size_t bodyLimit = CResponseBody::DefaultLimit;
};

// The limits every fetch starts with; tests shorten them. A fetch already
// running keeps the limits it started with.
CFetchLimits GetFetchLimits();
void SetFetchLimits(const CFetchLimits& limits);

// Null only when memory is exhausted. A URL holding control characters, or
// with a scheme other than http or https, is refused without a request.
// Redirects are followed a few hops; the credentials go only to the origin
// of the URL they came with. Nothing is read from or written to the cache.
std::unique_ptr<TiXmlDocument> FetchXml(const CString& username, const CString& password, const CString& url);
} // namespace Content
