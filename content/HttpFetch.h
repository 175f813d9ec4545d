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
// Bodies may come compressed (gzip or deflate); the size cap applies to the
// text they decode to.
std::unique_ptr<TiXmlDocument> FetchXml(const CString& username, const CString& password, const CString& url);

// A channel's poll: FetchXml, plus what the channel remembers of its feed
// between polls and what the answer says about it.
struct CFeedFetch
{
    // In: the validators of the copy last read, sent as If-None-Match and
    // If-Modified-Since when not empty. Out: those of a 2xx answer (empty
    // when it carries none); left as they were by any other answer.
    CString etag;
    CString lastModified;
    // In: the address whose origin the credentials belong to (what the
    // user typed), when the URL fetched is another one.
    CString credentialsUrl;
    // Out: the final status code; 0 when no response arrived in time.
    unsigned long status = 0;
    // Out: the final response's Retry-After, as sent; empty without one.
    CString retryAfter;
    // Out: where the feed has moved for good, when the answer (2xx or 304)
    // came through permanent redirects (301, 308) only; else empty.
    CString movedTo;

    bool NotModified() const { return status == 304; }
};

// A 304 leaves the document empty: the copy last read is still current.
std::unique_ptr<TiXmlDocument> FetchFeed(const CString& username, const CString& password, const CString& url,
                                         CFeedFetch& fetch);
} // namespace Content
