#include "iofxml.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>

#include <QStringList>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

void initLibxml()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

// What the document's DOCTYPE said, seen by the handler below.
struct DoctypeSeen
{
    bool declared = false;
    bool internalSubset = false; // declarations of its own: refused unread
    QByteArray systemId;
};

// Installed in place of the tree builder's DOCTYPE handler, so it runs when "<!DOCTYPE" is read,
// before any entity or external subset is declared. No DTD node is built and nothing is loaded: a
// bare DOCTYPE (as IOF XML 2.0.3 files and some 3.0 exports carry) is only noted. One with an
// internal subset stops the parse before a single declaration of it is read.
void noteDoctype(void *ctx, const xmlChar *, const xmlChar *, const xmlChar *systemId)
{
    auto *ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    auto *seen = static_cast<DoctypeSeen *>(ctxt->_private);
    seen->declared = true;
    if (systemId)
        seen->systemId = QByteArray(reinterpret_cast<const char *>(systemId));
    // The parser calls this with the input just past the external id and blanks: '[' opens an
    // internal subset.
    if (ctxt->input && ctxt->input->cur && *ctxt->input->cur == '[') {
        seen->internalSubset = true;
        xmlStopParser(ctxt);
    }
}

// IOF XML 2.0.3 documents name the IOFdata DTD and carry an IOFVersion element; 3.0 documents
// carry neither.
bool isIof2SystemId(const QByteArray &systemId)
{
    return systemId.toLower().contains("iofdata");
}

const QString &iof2Message()
{
    static const QString message = QStringLiteral(
        "This file is in the IOF XML 2.0.3 format, which cannot be imported. Export the list again "
        "from the program that made it, choosing IOF XML 3.0, and import that file.");
    return message;
}

// Every text read from a file loses the invisible characters some programs leave in it (a byte
// order mark pasted into a field, zero-width spaces): "\uFEFF8001234" must match the card 8001234
// the station reads.
QString fromXml(const xmlChar *s)
{
    if (!s)
        return QString();
    QString text = QString::fromUtf8(reinterpret_cast<const char *>(s));
    text.removeIf([](QChar c) { return c == u'\uFEFF' || c == u'\u200B' || c == u'\u2060'; });
    return text;
}

// The longest text or CDATA node, walked without recursion (depth is bounded by the parser, but
// the stack need not be).
qsizetype longestText(xmlDocPtr doc)
{
    qsizetype longest = 0;
    xmlNodePtr node = doc->children;
    while (node) {
        if ((node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) && node->content)
            longest = std::max<qsizetype>(longest, xmlStrlen(node->content));
        if (node->children && node->type == XML_ELEMENT_NODE) {
            node = node->children;
            continue;
        }
        while (node && !node->next)
            node = node->parent == reinterpret_cast<xmlNodePtr>(doc) ? nullptr : node->parent;
        if (node)
            node = node->next;
    }
    return longest;
}

} // namespace

void IofXmlDocument::initParser()
{
    initLibxml();
}

QString IofXmlDocument::textFromXml(const char *utf8)
{
    return fromXml(reinterpret_cast<const xmlChar *>(utf8));
}

IofXmlDocument IofXmlDocument::parse(const QByteArray &bytes)
{
    initLibxml();
    if (bytes.size() > maxDocumentBytes) {
        throw XmlError(
            QStringLiteral("The file is too large to be an IOF XML document (%1 bytes; the limit is %2).")
                .arg(bytes.size())
                .arg(maxDocumentBytes));
    }
    if (bytes.isEmpty())
        throw XmlError(QStringLiteral("The file is empty, not an XML document."));

    std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> ctxt(xmlNewParserCtxt(), xmlFreeParserCtxt);
    if (!ctxt)
        throw XmlError(QStringLiteral("The XML parser could not be started."));
    DoctypeSeen doctype;
    ctxt->sax->internalSubset = noteDoctype;
    // Never read an external subset, whatever the options say.
    ctxt->sax->externalSubset = nullptr;
    ctxt->_private = &doctype;

    // No XML_PARSE_NOENT / DTDLOAD / DTDATTR / HUGE / XINCLUDE: entities stay unexpanded, no DTD is
    // fetched, and libxml2's depth and text-size limits stay in force. COMPACT keeps short texts
    // inside their nodes (fewer allocations; the tree reads the same).
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;
    xmlDocPtr doc
        = xmlCtxtReadMemory(ctxt.get(), bytes.constData(), int(bytes.size()), nullptr, nullptr, options);
    const bool refused = doctype.internalSubset;
    if (refused || !doc || !ctxt->wellFormed) {
        QString message;
        if (refused && isIof2SystemId(doctype.systemId)) {
            message = iof2Message();
        } else if (refused) {
            message = QStringLiteral(
                "The file declares definitions of its own in its document type (<!DOCTYPE ... [ ]>); "
                "IOF XML files never do, so it is not read. Export the file again as IOF XML 3.0.");
        } else {
            const xmlError *err = xmlCtxtGetLastError(ctxt.get());
            const QString detail = err && err->message ? QString::fromUtf8(err->message).trimmed()
                                                       : QStringLiteral("unknown error");
            message = err && err->line > 0
                ? QStringLiteral("The file is not well-formed XML: %1 (line %2).").arg(detail).arg(err->line)
                : QStringLiteral("The file is not well-formed XML: %1.").arg(detail);
        }
        if (doc)
            xmlFreeDoc(doc);
        throw XmlError(message);
    }

    // libxml2 lets a text of any size through in small pieces; IOF texts are names and numbers.
    if (const qsizetype longest = longestText(doc); longest > maxTextBytes) {
        xmlFreeDoc(doc);
        throw XmlError(
            QStringLiteral("The file holds a text of %1 bytes; no IOF field is longer than %2, so it is "
                           "not read.")
                .arg(longest)
                .arg(maxTextBytes));
    }

    // Refused whole, before any reader looks at it: a 2.0.3 list read as 3.0 would find no entries
    // or starts, or worse, half of them.
    const xmlNodePtr root = xmlDocGetRootElement(doc);
    // The DTD's name alone does not outweigh a root that says it is 3.0.
    const QString declaredVersion
        = root ? attribute(root, "iofVersion").value_or(QString()).trimmed() : QString();
    bool iof2 = doctype.declared && isIof2SystemId(doctype.systemId) && !declaredVersion.startsWith(u'3');
    for (xmlNodePtr child = root ? root->children : nullptr; child && !iof2; child = child->next) {
        iof2 = child->type == XML_ELEMENT_NODE
            && xmlStrcmp(child->name, reinterpret_cast<const xmlChar *>("IOFVersion")) == 0;
    }
    if (iof2) {
        xmlFreeDoc(doc);
        throw XmlError(iof2Message());
    }

    IofXmlDocument result;
    result.m_doc = doc;
    result.m_xpath = xmlXPathNewContext(doc);
    if (!result.m_xpath)
        throw XmlError(QStringLiteral("The XML document could not be queried."));
    return result;
}

IofXmlDocument::IofXmlDocument(IofXmlDocument &&other) noexcept
    : m_doc(std::exchange(other.m_doc, nullptr))
    , m_xpath(std::exchange(other.m_xpath, nullptr))
    , m_compiled(std::exchange(other.m_compiled, {}))
{ }

IofXmlDocument &IofXmlDocument::operator=(IofXmlDocument &&other) noexcept
{
    if (this != &other) {
        release();
        m_doc = std::exchange(other.m_doc, nullptr);
        m_xpath = std::exchange(other.m_xpath, nullptr);
        m_compiled = std::exchange(other.m_compiled, {});
    }
    return *this;
}

IofXmlDocument::~IofXmlDocument()
{
    release();
}

void IofXmlDocument::release()
{
    for (auto *expr : std::as_const(m_compiled)) {
        if (expr)
            xmlXPathFreeCompExpr(expr);
    }
    m_compiled.clear();
    if (m_xpath)
        xmlXPathFreeContext(m_xpath);
    m_xpath = nullptr;
    if (m_doc)
        xmlFreeDoc(m_doc);
    m_doc = nullptr;
}

xmlXPathCompExprPtr IofXmlDocument::compiled(const char *xpath) const
{
    const QByteArray key(xpath);
    auto it = m_compiled.constFind(key);
    if (it != m_compiled.constEnd())
        return it.value();
    // A failed compilation is cached as nullptr: the query then finds nothing, every time.
    xmlXPathCompExprPtr expr = xmlXPathCtxtCompile(m_xpath, reinterpret_cast<const xmlChar *>(xpath));
    m_compiled.insert(key, expr);
    return expr;
}

QList<IofXmlDocument::Node> IofXmlDocument::query(const char *xpath, Node context, bool elementsOnly) const
{
    QList<Node> nodes;
    if (!m_doc || !m_xpath)
        return nodes;
    xmlXPathCompExprPtr expr = compiled(xpath);
    if (!expr)
        return nodes;
    m_xpath->node = context ? context : reinterpret_cast<xmlNodePtr>(m_doc);
    std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> result(
        xmlXPathCompiledEval(expr, m_xpath), xmlXPathFreeObject);
    if (!result || result->type != XPATH_NODESET || !result->nodesetval)
        return nodes;
    const xmlNodeSetPtr set = result->nodesetval;
    nodes.reserve(set->nodeNr);
    for (int i = 0; i < set->nodeNr; ++i) {
        xmlNodePtr node = set->nodeTab[i];
        if (!node || (elementsOnly && node->type != XML_ELEMENT_NODE))
            continue;
        nodes.append(node);
    }
    return nodes;
}

IofXmlDocument::Node IofXmlDocument::first(const char *xpath, Node context) const
{
    const QList<Node> nodes = query(xpath, context, false);
    if (nodes.isEmpty() || nodes.first()->type != XML_ELEMENT_NODE)
        return nullptr;
    return nodes.first();
}

std::optional<QString> IofXmlDocument::text(const char *xpath, Node context) const
{
    const QList<Node> nodes = query(xpath, context, false);
    if (nodes.isEmpty())
        return std::nullopt;
    return stringValue(nodes.first()).trimmed();
}

std::optional<QString> IofXmlDocument::childText(Node element, const char *localName) const
{
    // Without an element the document is the context, as for the queries.
    return childElementText(element ? element : reinterpret_cast<Node>(m_doc), localName);
}

bool IofXmlDocument::isElement(Node node, const char *localName)
{
    return node && node->type == XML_ELEMENT_NODE
        && xmlStrEqual(node->name, reinterpret_cast<const xmlChar *>(localName));
}

IofXmlDocument::Node IofXmlDocument::firstChild(Node parent, const char *localName)
{
    if (!parent)
        return nullptr;
    for (Node child = parent->children; child; child = child->next) {
        if (isElement(child, localName))
            return child;
    }
    return nullptr;
}

IofXmlDocument::Node IofXmlDocument::nextSibling(Node node, const char *localName)
{
    for (Node next = node ? node->next : nullptr; next; next = next->next) {
        if (isElement(next, localName))
            return next;
    }
    return nullptr;
}

std::optional<QString> IofXmlDocument::childElementText(Node element, const char *localName)
{
    if (Node child = firstChild(element, localName))
        return stringValue(child).trimmed();
    return std::nullopt;
}

std::optional<QString> IofXmlDocument::grandchildText(
    Node element, const char *childName, const char *grandchildName)
{
    for (Node child = firstChild(element, childName); child; child = nextSibling(child, childName)) {
        if (Node grandchild = firstChild(child, grandchildName))
            return stringValue(grandchild).trimmed();
    }
    return std::nullopt;
}

IofXmlDocument::Node IofXmlDocument::parentOf(Node node)
{
    return node ? node->parent : nullptr;
}

IofXmlDocument::Node IofXmlDocument::root() const
{
    return m_doc ? xmlDocGetRootElement(m_doc) : nullptr;
}

IofXmlDocument::Node IofXmlDocument::nextElement(Node node, Node top)
{
    if (!node)
        return nullptr;
    // Down to the first child element, else along to the next sibling element of this node or of
    // the nearest ancestor below `top` that has one.
    for (Node child = node->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE)
            return child;
    }
    while (node && node != top) {
        for (Node next = node->next; next; next = next->next) {
            if (next->type == XML_ELEMENT_NODE)
                return next;
        }
        node = node->parent;
    }
    return nullptr;
}

std::optional<QString> IofXmlDocument::attribute(Node element, const char *name)
{
    if (!element)
        return std::nullopt;
    xmlChar *value = xmlGetNoNsProp(element, reinterpret_cast<const xmlChar *>(name));
    if (!value)
        return std::nullopt;
    QString result = fromXml(value);
    xmlFree(value);
    return result;
}

QString IofXmlDocument::stringValue(Node node)
{
    if (!node)
        return {};
    // Most elements hold one text, read where it lies instead of through a copy.
    if (node->type == XML_ELEMENT_NODE) {
        const Node only = node->children;
        if (!only)
            return fromXml(reinterpret_cast<const xmlChar *>(""));
        if (!only->next && (only->type == XML_TEXT_NODE || only->type == XML_CDATA_SECTION_NODE))
            return fromXml(only->content ? only->content : reinterpret_cast<const xmlChar *>(""));
    }
    xmlChar *content = xmlNodeGetContent(node);
    QString result = fromXml(content);
    if (content)
        xmlFree(content);
    return result;
}

QString IofXmlDocument::localName(Node node)
{
    return node ? fromXml(node->name) : QString();
}

QString IofXmlDocument::rootName() const
{
    return m_doc ? localName(xmlDocGetRootElement(m_doc)) : QString();
}

std::optional<qint64> iofInteger(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    qsizetype i = (text.front() == u'+' || text.front() == u'-') ? 1 : 0;
    if (i == text.size())
        return std::nullopt;
    for (qsizetype k = i; k < text.size(); ++k) {
        if (text[k] < u'0' || text[k] > u'9')
            return std::nullopt;
    }
    bool ok = false;
    // QString::toLongLong rejects a leading '+' followed by nothing and reports overflow.
    const qint64 value = text.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<double> iofDecimal(const QString &text)
{
    // xs:double collapses white space: " 12.5 " is 12.5.
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString newIdText()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString IofXmlDocument::describe() const
{
    static const QStringList iofLists = {QStringLiteral("CourseData"), QStringLiteral("EntryList"),
        QStringLiteral("StartList"), QStringLiteral("ResultList"), QStringLiteral("ClassList"),
        QStringLiteral("CompetitorList"), QStringLiteral("OrganisationList"), QStringLiteral("EventList"),
        QStringLiteral("ControlCardList"), QStringLiteral("ServiceRequestList")};
    const QString root = rootName();
    if (iofLists.contains(root))
        return QStringLiteral("an IOF %1").arg(root);
    if (root.isEmpty())
        return QStringLiteral("an XML document without a root element");
    return QStringLiteral("an XML document whose root element is <%1>").arg(root.left(64));
}

void IofXmlDocument::expectRoot(const char *rootName, const QString &importedAs) const
{
    if (this->rootName() == QLatin1String(rootName))
        return;
    throw ImportError(
        QStringLiteral("This file is %1, not an IOF %2: only an IOF %2 file can be imported as %3.")
            .arg(describe(), QLatin1String(rootName), importedAs));
}

namespace {

bool isSportIdentCard(IofXmlDocument::Node card)
{
    const auto system = IofXmlDocument::attribute(card, "punchingSystem");
    const QString name = system ? system->trimmed() : QString();
    return !system || name.compare(u"SI", Qt::CaseInsensitive) == 0
        || name.compare(u"SportIdent", Qt::CaseInsensitive) == 0;
}

} // namespace

std::optional<QString> sportIdentCard(
    const IofXmlDocument &doc, const char *xpath, IofXmlDocument::Node context)
{
    for (IofXmlDocument::Node card : doc.query(xpath, context)) {
        if (isSportIdentCard(card))
            return IofXmlDocument::stringValue(card).trimmed();
    }
    return std::nullopt;
}

std::optional<QString> sportIdentCardWithin(IofXmlDocument::Node top)
{
    for (auto node = IofXmlDocument::nextElement(top, top); node;
         node = IofXmlDocument::nextElement(node, top)) {
        if (IofXmlDocument::isElement(node, "ControlCard") && isSportIdentCard(node))
            return IofXmlDocument::stringValue(node).trimmed();
    }
    return std::nullopt;
}

std::optional<QString> sportIdentChildCard(IofXmlDocument::Node parent)
{
    constexpr const char *name = "ControlCard";
    for (auto card = IofXmlDocument::firstChild(parent, name); card;
         card = IofXmlDocument::nextSibling(card, name)) {
        if (isSportIdentCard(card))
            return IofXmlDocument::stringValue(card).trimmed();
    }
    return std::nullopt;
}
