#pragma once

// The round-trip oracle of the serialiser fuzz targets: a document is parsed
// by libxml2, not by anything of ours, and the text of every leaf element, in
// document order, must be the engine's text after the mapping a document
// applies (XmlCharacters, tests/EscapeReference.h), read back the way every
// XML parser reads line ends (CR LF and a lone CR as LF).

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/EscapeReference.h"

namespace FuzzRecords {

using Leaves = std::vector<std::pair<std::string, std::string>>;

// The leaves the reference writers wrote since the last clear().
inline Leaves& ExpectedLeaves() {
    static Leaves leaves;
    return leaves;
}

inline std::string ReadBack(const char* text) {
    const std::string mapped = XmlCharacters(text != nullptr ? text : "");
    std::string out;
    for (size_t i = 0; i < mapped.size(); ++i) {
        if (mapped[i] != '\r') {
            out += mapped[i];
        } else {
            out += '\n';
            if (i + 1 < mapped.size() && mapped[i + 1] == '\n') ++i;
        }
    }
    return out;
}

inline void ExpectLeaf(const char* tag, const char* text) { ExpectedLeaves().emplace_back(tag, ReadBack(text)); }

// Parses `document` and compares its leaves, every element not named in
// `containers` that holds no element, with `expected`.
inline void ExpectReadBack(const char* what, std::string_view document, const Leaves& expected,
                           std::initializer_list<const char*> containers) {
    if (document.empty() && expected.empty()) return;
    xmlDocPtr doc = xmlReadMemory(document.data(), static_cast<int>(document.size()), nullptr, "UTF-8",
                                  XML_PARSE_HUGE | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (doc == nullptr) {
        const xmlError* error = xmlGetLastError();
        std::fprintf(stderr, "%s is not well-formed: %s  document: %.300s\n", what,
                     error != nullptr && error->message != nullptr ? error->message : "?",
                     std::string(document).c_str());
        std::abort();
    }
    Leaves read;
    std::vector<xmlNodePtr> pending{xmlDocGetRootElement(doc)};
    while (!pending.empty()) {
        xmlNodePtr node = pending.back();
        pending.pop_back();
        bool container = false;
        for (const char* name : containers)
            container = container || std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
        std::vector<xmlNodePtr> children;
        for (xmlNodePtr child = node->children; child != nullptr; child = child->next)
            if (child->type == XML_ELEMENT_NODE) children.push_back(child);
        if (!container && children.empty()) {
            xmlChar* content = xmlNodeGetContent(node);
            read.emplace_back(reinterpret_cast<const char*>(node->name),
                              content != nullptr ? reinterpret_cast<const char*>(content) : "");
            xmlFree(content);
        }
        for (auto child = children.rbegin(); child != children.rend(); ++child) pending.push_back(*child);
    }
    xmlFreeDoc(doc);
    for (size_t i = 0; i < read.size() || i < expected.size(); ++i) {
        if (i < read.size() && i < expected.size() && read[i] == expected[i]) continue;
        std::fprintf(stderr, "%s reads back wrong at leaf %zu of %zu (expected %zu): <%s>%s</> expected <%s>%s</>\n",
                     what, i, read.size(), expected.size(), i < read.size() ? read[i].first.c_str() : "-",
                     i < read.size() ? read[i].second.c_str() : "", i < expected.size() ? expected[i].first.c_str() : "-",
                     i < expected.size() ? expected[i].second.c_str() : "");
        std::abort();
    }
}

}  // namespace FuzzRecords
