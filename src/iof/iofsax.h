#pragma once

// What the streaming IOF readers (entry and start lists) share: each reads the common shapes of
// its document from the parser's events and leaves everything else to the tree reader, which must
// then give the same result. So each of these answers as the tree would, or says the document is
// unusual.

#include "iofxml.h"

#include <QString>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace IofSax {

inline bool named(const xmlChar *localName, const char *name)
{
    return std::strcmp(reinterpret_cast<const char *>(localName), name) == 0;
}

// The value of the attribute without namespace, as IofXmlDocument::attribute gives it. Sets
// `unusual` where only the tree can tell: an attribute with a prefix but no namespace (the tree
// names it "prefix:name") or a value with a reference (the tree holds it decoded).
inline std::optional<QString> attribute(
    int count, const xmlChar **attributes, const char *name, bool &unusual)
{
    for (int i = 0; i < count; ++i) {
        const xmlChar **a = attributes + 5 * i; // local name, prefix, URI, value, end
        if (a[1] && !a[2]) {
            unusual = true;
            return std::nullopt;
        }
        if (a[2] || !named(a[0], name))
            continue;
        const char *begin = reinterpret_cast<const char *>(a[3]);
        const QByteArray value(begin, reinterpret_cast<const char *>(a[4]) - begin);
        if (value.contains('&')) {
            unusual = true;
            return std::nullopt;
        }
        return IofXmlDocument::textFromXml(value.constData());
    }
    return std::nullopt;
}

// A card of no named punching system is taken as SportIdent's, as the tree reader takes it.
inline bool isSportIdent(const std::optional<QString> &system)
{
    if (!system)
        return true;
    const QString name = system->trimmed();
    return name.compare(u"SI", Qt::CaseInsensitive) == 0
        || name.compare(u"SportIdent", Qt::CaseInsensitive) == 0;
}

// Room for all the records of a list, guessed once the first `sample` are read (the first began
// at `firstAt`, the parser is now at `at` of `documentBytes`): a large list then never moves its
// records to grow, and longer records further on only make it grow after all. Records shorter
// than 64 bytes are only ever a few, so a document of a few short ones and a long tail of anything
// else does not reserve for more than the tail could hold. Nothing (0) where the positions make
// no sense.
inline qsizetype expectedRecords(qsizetype sample, qsizetype firstAt, qsizetype at, qsizetype documentBytes)
{
    if (firstAt < 0 || at <= firstAt || at >= documentBytes)
        return 0;
    const qsizetype perRecord = std::max<qsizetype>(64, (at - firstAt) / sample);
    const qsizetype rest = (documentBytes - at) / perRecord;
    return sample + rest + rest / 8 + 16;
}

// Runs the parser over `bytes` with its events going to `stream`, an object of a reader's Stream
// class (which names this struct its friend): its start(localName, attributeCount, attributes),
// end(), onText, giveUp(), m_unusual, m_textRun and the thread's `current` reader. The options are
// those of IofXmlDocument::parse. Any DOCTYPE is for the tree reader, which judges it; so is a
// reference to an entity that only a DTD could declare. An element or attribute with a prefix but
// no namespace is too (the tree names it "prefix:name").
struct Events
{
    template<typename Stream> static void read(xmlParserCtxtPtr ctxt, const QByteArray &bytes, Stream &stream)
    {
        xmlSAXHandler handler {};
        handler.initialized = XML_SAX2_MAGIC;
        handler.internalSubset
            = [](void *, const xmlChar *, const xmlChar *, const xmlChar *) { Stream::current->giveUp(); };
        handler.reference = [](void *, const xmlChar *) { Stream::current->giveUp(); };
        handler.startElementNs
            = [](void *, const xmlChar *localName, const xmlChar *prefix, const xmlChar *uri, int,
                  const xmlChar **, int attributeCount, int, const xmlChar **attributes) {
                  Stream *const current = Stream::current;
                  if (current->m_unusual)
                      return;
                  if (prefix && !uri)
                      current->giveUp();
                  else
                      current->start(localName, attributeCount, attributes);
              };
        handler.endElementNs = [](void *, const xmlChar *, const xmlChar *, const xmlChar *) {
            if (!Stream::current->m_unusual)
                Stream::current->end();
        };
        handler.characters = &Stream::onText;
        handler.ignorableWhitespace = &Stream::onText;
        handler.cdataBlock = &Stream::onText;
        handler.comment = [](void *, const xmlChar *) { Stream::current->m_textRun = 0; };
        handler.processingInstruction
            = [](void *, const xmlChar *, const xmlChar *) { Stream::current->m_textRun = 0; };
        *ctxt->sax = handler;

        Stream *const outer = std::exchange(Stream::current, &stream);
        const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;
        // Read through a window the parser refills as it goes, not from memory: xmlCtxtReadMemory
        // first copies the whole document into fresh memory (some 20 MB for a list of 50,000
        // runners), while the window's few kilobytes are written over again and stay in the cache.
        // The parser sees the same bytes in the same order either way.
        Window window {bytes.constData(), bytes.size()};
        if (xmlDocPtr doc = xmlCtxtReadIO(ctxt, &Window::read, nullptr, &window, nullptr, nullptr, options))
            xmlFreeDoc(doc);
        Stream::current = outer;
    }

private:
    struct Window
    {
        const char *at;
        qsizetype left;

        static int read(void *context, char *out, int length)
        {
            auto *window = static_cast<Window *>(context);
            const int n = int(std::min<qsizetype>(window->left, std::max(length, 0)));
            std::memcpy(out, window->at, size_t(n));
            window->at += n;
            window->left -= n;
            return n;
        }
    };
};

} // namespace IofSax
