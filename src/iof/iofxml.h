#pragma once

// A read-only XML document for the IOF importers, parsed safely and queried with XPath.
//
// Parsing never touches the network, never loads or honours a DTD (a document whose DOCTYPE holds
// declarations of its own is refused before any of them is read, so entity expansion bombs cannot
// run; a bare DOCTYPE naming an outside DTD is passed over) and keeps
// libxml2's limits on nesting depth and text size. Queries address elements by local name, so a
// document in any namespace or none reads alike.

#include "race.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

struct _xmlDoc;
struct _xmlNode;
struct _xmlXPathContext;
struct _xmlXPathCompExpr;

// The bytes were not a well-formed (or acceptable) XML document, or are an IOF XML 2.0.3 document.
// The message names the cause and, where the parser knows it, the line.
class XmlError : public ImportError
{
public:
    using ImportError::ImportError;
};

class IofXmlDocument
{
public:
    using Node = _xmlNode *;

    // Larger files are refused before parsing: no IOF list comes near it.
    static constexpr qsizetype maxDocumentBytes = 64 * 1024 * 1024;
    // Longer texts are refused: names, codes and times are short.
    static constexpr qsizetype maxTextBytes = 1024 * 1024;

    // Throws XmlError.
    [[nodiscard]] static IofXmlDocument parse(const QByteArray &bytes);
    // Readies libxml2 once per process, for readers that drive its parser themselves.
    static void initParser();
    // A text as the document's readers give it (stringValue, attribute): UTF-8 without the
    // invisible characters some programs leave in fields, not trimmed.
    [[nodiscard]] static QString textFromXml(const char *utf8);

    IofXmlDocument(IofXmlDocument &&) noexcept;
    IofXmlDocument &operator=(IofXmlDocument &&) noexcept;
    ~IofXmlDocument();

    // The nodes an XPath query finds, in document order; relative to `context` when given, else to
    // the document. A query that fails finds nothing. With `elementsOnly`, other nodes are skipped.
    [[nodiscard]] QList<Node> query(
        const char *xpath, Node context = nullptr, bool elementsOnly = true) const;
    // The first element the query finds, or nullptr.
    [[nodiscard]] Node first(const char *xpath, Node context = nullptr) const;
    // The string value of the first node the query finds, trimmed; absent when nothing is found.
    [[nodiscard]] std::optional<QString> text(const char *xpath, Node context = nullptr) const;
    // The text of the first child element with this local name (`*[local-name()='NAME']`).
    [[nodiscard]] std::optional<QString> childText(Node element, const char *localName) const;

    // The tree walked directly, for readers of large lists: each answers as the XPath in its
    // comment does, without evaluating one per element.
    // Whether `node` is an element with this local name, in any namespace or none.
    [[nodiscard]] static bool isElement(Node node, const char *localName);
    // The first child element with this local name (`*[local-name()='NAME'][1]`), or nullptr.
    [[nodiscard]] static Node firstChild(Node parent, const char *localName);
    // The next sibling element after `node` with this local name, or nullptr.
    [[nodiscard]] static Node nextSibling(Node node, const char *localName);
    // The text of the first child element with this local name, trimmed; absent without one.
    [[nodiscard]] static std::optional<QString> childElementText(Node element, const char *localName);
    // The text of the first grandchild `child`/`grandchild` in document order
    // (`*[local-name()='CHILD']/*[local-name()='GRANDCHILD']`), trimmed; absent without one.
    [[nodiscard]] static std::optional<QString> grandchildText(
        Node element, const char *childName, const char *grandchildName);
    // The node's parent (the document node above the root element), or nullptr.
    [[nodiscard]] static Node parentOf(Node node);
    // The document's root element, or nullptr.
    [[nodiscard]] Node root() const;
    // The element after `node` in document order within the subtree of `top` (`top` itself
    // included as the first), or nullptr past its end: a walk of `top//*` without recursion.
    [[nodiscard]] static Node nextElement(Node node, Node top);

    // An attribute without namespace, as it stands (not trimmed).
    [[nodiscard]] static std::optional<QString> attribute(Node element, const char *name);
    // The concatenated text content of a node.
    [[nodiscard]] static QString stringValue(Node node);
    [[nodiscard]] static QString localName(Node node);
    // The root element's local name, or empty when there is none.
    [[nodiscard]] QString rootName() const;
    // What the document is, for messages: "an IOF StartList", "an XML document whose root element
    // is <gpx>".
    [[nodiscard]] QString describe() const;
    // Throws ImportError saying what the file is and what was expected ("This file is an IOF
    // StartList, not an IOF CourseData: only an IOF CourseData file can be imported as courses.")
    // unless the root element has this local name.
    void expectRoot(const char *rootName, const QString &importedAs) const;

private:
    IofXmlDocument() = default;
    _xmlXPathCompExpr *compiled(const char *xpath) const;
    void release();

    _xmlDoc *m_doc = nullptr;
    _xmlXPathContext *m_xpath = nullptr;
    mutable QHash<QByteArray, _xmlXPathCompExpr *> m_compiled;
};

// Strict number reading shared by the IOF readers.
// Integer: an optional sign and ASCII digits, nothing else (no spaces, no "10.0"); out of range is
// no number.
[[nodiscard]] std::optional<qint64> iofInteger(const QString &text);
// Decimal: plain or exponent notation, the whole text apart from surrounding white space; only
// finite values
// (an infinite or NaN coordinate or scale would poison every length computed from it).
[[nodiscard]] std::optional<double> iofDecimal(const QString &text);
// A new random id in upper-case 36-character form, for records whose file gives none.
[[nodiscard]] QString newIdText();

// The text of the first ControlCard the query finds whose punchingSystem is SportIdent ("SI") or
// not given; entry services list other systems' cards beside it, and those never match a read-out.
[[nodiscard]] std::optional<QString> sportIdentCard(
    const IofXmlDocument &doc, const char *xpath, IofXmlDocument::Node context);
// The same over the child elements of `parent` named ControlCard.
[[nodiscard]] std::optional<QString> sportIdentChildCard(IofXmlDocument::Node parent);
// The same over the elements named ControlCard below `top`, in document order
// (`.//*[local-name()='ControlCard']`).
[[nodiscard]] std::optional<QString> sportIdentCardWithin(IofXmlDocument::Node top);
