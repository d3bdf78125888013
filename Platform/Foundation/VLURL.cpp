#include "Platform/Foundation/VLURL.h"

#include "Platform/Foundation/VLPath.h"
#include "Platform/Foundation/VLUnicode.h"

#include <vector>

namespace {

// RFC 3986, 5.2.4: "." and ".." segments taken out of a path, keeping a trailing slash where a
// segment was removed from the end.
std::string removeDotSegments(std::string_view input) {
    std::vector<std::string_view> output;
    const bool absolute = input.starts_with('/');
    bool trailingSlash = false;
    size_t start = absolute ? 1 : 0;
    while (start <= input.size()) {
        size_t slash = input.find('/', start);
        std::string_view segment =
            input.substr(start, slash == std::string_view::npos ? slash : slash - start);
        bool last = slash == std::string_view::npos;
        trailingSlash = false;
        if (segment == ".") {
            trailingSlash = last;
        } else if (segment == "..") {
            if (!output.empty())
                output.pop_back();
            trailingSlash = last;
        } else {
            output.push_back(segment);
        }
        if (last)
            break;
        start = slash + 1;
    }
    std::string result = absolute ? "/" : "";
    for (size_t index = 0; index < output.size(); ++index) {
        if (index > 0)
            result += '/';
        result += output[index];
    }
    if (trailingSlash && !result.ends_with('/'))
        result += '/';
    return result;
}

// RFC 3986, 5.2.3.
std::string mergePaths(const VLURLComponents& base, std::string_view reference) {
    if (base.percentEncodedAuthority() && base.percentEncodedPath().empty())
        return "/" + std::string(reference);
    const std::string& path = base.percentEncodedPath();
    size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + std::string(reference);
}

std::string resolve(const VLURLComponents& reference, const VLURLComponents& base) {
    std::optional<std::string> scheme = reference.scheme();
    std::optional<std::string> authority;
    std::string path;
    std::optional<std::string> query = reference.percentEncodedQuery();
    if (scheme) {
        authority = reference.percentEncodedAuthority();
        path = removeDotSegments(reference.percentEncodedPath());
    } else {
        scheme = base.scheme();
        if (reference.percentEncodedAuthority()) {
            authority = reference.percentEncodedAuthority();
            path = removeDotSegments(reference.percentEncodedPath());
        } else {
            authority = base.percentEncodedAuthority();
            const std::string& referencePath = reference.percentEncodedPath();
            if (referencePath.empty()) {
                path = base.percentEncodedPath();
                if (!query)
                    query = base.percentEncodedQuery();
            } else if (referencePath.starts_with('/')) {
                path = removeDotSegments(referencePath);
            } else {
                path = removeDotSegments(mergePaths(base, referencePath));
            }
        }
    }
    std::string result;
    if (scheme)
        result += *scheme + ':';
    if (authority)
        result += "//" + *authority;
    result += path;
    if (query)
        result += '?' + *query;
    if (reference.percentEncodedFragment())
        result += '#' + *reference.percentEncodedFragment();
    return result;
}

} // namespace

VLURL::VLURL(std::string_view string)
    : _parts(std::make_shared<const Parts>(Parts{std::string(string), VLURLComponents(string)})) {}

VLURL::VLURL(std::string_view reference, const VLURL& base)
    : VLURL(resolve(VLURLComponents(reference), base._parts->components)) {}

std::string VLURL::lowercaseScheme() const {
    return VLASCIILowercaseString(scheme().value_or(""));
}

std::string VLURL::path() const {
    std::string path = VLURLComponents::percentDecode(_parts->components.percentEncodedPath());
    while (path.size() > 1 && path.ends_with('/'))
        path.pop_back();
    return path;
}

std::string VLURL::lastPathComponent() const {
    return std::string(VLLastPathComponent(path()));
}

std::string VLURL::pathExtension() const {
    return std::string(VLPathExtension(path()));
}
