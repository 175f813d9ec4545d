// The one synchronous HTTP GET of the program: fetches a URL with the global
// connection settings and the given credentials and returns the body parsed
// as XML. Every failure gives an empty document (no root element).
#pragma once

#include "common/CString.h"

#include <tinyxml.h>

#include <memory>

namespace Content
{
// Null only when memory is exhausted.
std::unique_ptr<TiXmlDocument> FetchXml(const CString& username, const CString& password, const CString& url);
} // namespace Content
