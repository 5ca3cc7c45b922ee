#include "iofentrylistparser.h"

#include "iofsax.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <QHash>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

namespace IOFEntryListParser {
namespace {

using Node = IofXmlDocument::Node;

// Class id to class; a later write for the same id replaces the record but keeps its place.
class ClassTable
{
public:
    [[nodiscard]] const RaceClass *find(const QString &id) const
    {
        auto it = m_index.constFind(key(id));
        return it == m_index.constEnd() ? nullptr : &m_classes[it.value()];
    }
    void put(const QString &id, const QString &name)
    {
        const QString k = key(id);
        auto it = m_index.constFind(k);
        if (it != m_index.constEnd()) {
            // Most entries name a class the table holds already, spelled the same.
            const RaceClass &held = m_classes.at(it.value());
            if (sameText(held.id, id) && sameText(held.name, name))
                return;
        }
        RaceClass cls;
        cls.id = id;
        cls.name = name;
        if (it != m_index.constEnd()) {
            m_classes[it.value()] = cls;
        } else {
            m_index.insert(k, m_classes.size());
            m_classes.append(cls);
        }
    }
    [[nodiscard]] QList<RaceClass> classes() const { return m_classes; }

private:
    static bool sameText(const QString &a, const QString &b) { return a == b && a.isNull() == b.isNull(); }

    // Ids are equal when canonically equivalent.
    static QString key(const QString &id) { return id.normalized(QString::NormalizationForm_C); }

    QList<RaceClass> m_classes;
    QHash<QString, qsizetype> m_index;
};

// What the reader takes from a class element: its id attribute and the texts of its first Id and
// Name children, each trimmed.
struct ClassFields
{
    std::optional<QString> idAttribute;
    std::optional<QString> id;
    std::optional<QString> name;
};

// What the reader takes from a PersonEntry, each text trimmed.
struct EntryFields
{
    bool hasPerson = false;
    std::optional<QString> given; // the first Person/Name/Given
    std::optional<QString> family; // the first Person/Name/Family
    std::optional<QString> card; // the first SportIdent ControlCard
    std::optional<QString> club; // the first Organisation/Name
    std::optional<ClassFields> entryClass; // the first Class, else the first EntryClass's first Class
    std::optional<QString> classId; // the first ClassId
};

// The classes of every ClassList are read before the entries, whatever their place in the file;
// the entries then name theirs in document order. Each entry becomes its participant as soon as it
// is read, while its texts are at hand.
//
// Where the lists come first and entries do not nest (as in every list a program writes), each
// entry's class goes into the table as the entry is added. Otherwise an entry leaves behind only
// what it does to the table, a few numbers standing for texts held once, and the table is built
// from them at the end, without going back to the entries.
class Assembler
{
public:
    explicit Assembler(bool deferClasses)
        : m_deferClasses(deferClasses)
    { }

    // Room for this many entries in all.
    void expect(qsizetype entries)
    {
        m_result.participants.reserve(entries);
        if (m_deferClasses)
            m_steps.reserve(std::size_t(entries));
    }

    // A class of a ClassList. Without deferring, all of them come before the first entry.
    void list(const ClassFields &c)
    {
        if (m_deferClasses) {
            m_listed.push_back(c);
            return;
        }
        const std::optional<QString> &id = c.idAttribute ? c.idAttribute : c.id;
        if (id)
            m_classes.put(*id, c.name.value_or(*id));
    }

    // A place for the next entry in document order, filled by add once the entry is read. Entries
    // may nest only when deferring; the inner one then ends first.
    qsizetype reserve()
    {
        ++m_entryCount;
        // Made in place: QList's emplace_back would make it beside and move it in.
        m_result.participants.resize(m_result.participants.size() + 1);
        if (m_deferClasses)
            m_steps.push_back({});
        return m_result.participants.size() - 1;
    }

    void add(qsizetype place, EntryFields &&entry)
    {
        if (!entry.hasPerson) {
            drop(place);
            return;
        }
        Participant &p = m_result.participants[place];
        p.givenName = std::move(entry.given).value_or(QString());
        p.familyName = std::move(entry.family).value_or(QString());
        p.cardNumber = std::move(entry.card).value_or(QString());
        p.club = std::move(entry.club);
        if (entry.entryClass) {
            const ClassFields &c = *entry.entryClass;
            const std::optional<QString> &id = c.idAttribute ? c.idAttribute : c.id;
            if (id || c.name) {
                const QString &classId = id ? *id : *c.name;
                if (c.name)
                    step(place, ClassStep::Named, classId, &*c.name);
                else
                    step(place, ClassStep::Unnamed, classId, nullptr);
                p.classId = classId;
            }
        } else if (entry.classId) {
            p.classId = std::move(entry.classId);
            step(place, ClassStep::ById, *p.classId, nullptr);
        }
    }

    // Throws when the document holds no entry at all.
    Result finish()
    {
        if (m_entryCount == 0)
            throw ImportError(QStringLiteral("No <PersonEntry> elements found in EntryList XML"));
        if (m_deferClasses) {
            m_deferClasses = false;
            for (const ClassFields &c : m_listed)
                list(c);
            for (const ClassStep &step : m_steps) {
                if (step.kind != ClassStep::None && step.kind != ClassStep::Dropped)
                    apply(step.kind, m_texts[step.id],
                        step.kind == ClassStep::Named ? &m_texts[step.name] : nullptr);
            }
        }
        if (m_dropped > 0) {
            // Only entries nesting others can leave a place behind them.
            qsizetype kept = 0;
            for (qsizetype i = 0; i < m_result.participants.size(); ++i) {
                if (m_steps[std::size_t(i)].kind == ClassStep::Dropped)
                    continue;
                if (kept != i)
                    m_result.participants[kept] = std::move(m_result.participants[i]);
                ++kept;
            }
            m_result.participants.resize(kept);
        }
        m_result.classes = m_classes.classes();
        return std::move(m_result);
    }

private:
    // What an entry does to the class table, by the numbers of its texts when deferred.
    struct ClassStep
    {
        enum Kind : quint8 {
            None, // no class
            Dropped, // no person: no participant either
            Named, // put(id, name)
            Unnamed, // put(id, the known name, else id)
            ById, // a ClassId: put(id, id) unless known
        };
        Kind kind = None;
        qint32 id = 0;
        qint32 name = 0;
    };

    void step(qsizetype place, ClassStep::Kind kind, const QString &id, const QString *name)
    {
        if (!m_deferClasses) {
            apply(kind, id, name);
            return;
        }
        ClassStep &step = m_steps[std::size_t(place)];
        step.kind = kind;
        step.id = textIndex(id);
        if (name)
            step.name = textIndex(*name);
    }

    void apply(ClassStep::Kind kind, const QString &id, const QString *name)
    {
        switch (kind) {
        case ClassStep::Named:
            m_classes.put(id, *name);
            break;
        case ClassStep::Unnamed: {
            const RaceClass *known = m_classes.find(id);
            m_classes.put(id, known ? QString(known->name) : id);
            break;
        }
        case ClassStep::ById:
            if (!m_classes.find(id))
                m_classes.put(id, id);
            break;
        default:
            break;
        }
    }

    // A place other than the last is left behind only by an entry nesting others, which defers
    // the classes.
    void drop(qsizetype place)
    {
        if (place == m_result.participants.size() - 1) {
            m_result.participants.removeLast();
            if (m_deferClasses)
                m_steps.pop_back();
            return;
        }
        m_steps[std::size_t(place)].kind = ClassStep::Dropped;
        ++m_dropped;
    }

    // A list names a few classes over and over: each text is held once, with its null-ness (an
    // empty text and a null one are different texts to the table).
    qint32 textIndex(const QString &text)
    {
        QHash<QString, qint32> &index = text.isNull() ? m_nullTexts : m_textIndex;
        auto it = index.constFind(text);
        if (it != index.constEnd())
            return it.value();
        const auto n = qint32(m_texts.size());
        m_texts.push_back(text);
        index.insert(text, n);
        return n;
    }

    bool m_deferClasses;
    Result m_result;
    ClassTable m_classes;
    qsizetype m_entryCount = 0;
    qsizetype m_dropped = 0;
    // Deferred: the listed classes, and what each place does to the table.
    std::vector<ClassFields> m_listed;
    std::vector<ClassStep> m_steps;
    std::vector<QString> m_texts;
    QHash<QString, qint32> m_textIndex;
    QHash<QString, qint32> m_nullTexts;
};

// ---- The parsed tree ------------------------------------------------------------------------
// Every document the streaming reader below does not take is read here, with the messages of
// IofXmlDocument for every refusal.

ClassFields classFields(Node element)
{
    return {IofXmlDocument::attribute(element, "id"), IofXmlDocument::childElementText(element, "Id"),
        IofXmlDocument::childElementText(element, "Name")};
}

Result treeResult(const QByteArray &bytes)
{
    const IofXmlDocument doc = IofXmlDocument::parse(bytes);
    doc.expectRoot("EntryList", QStringLiteral("entries"));

    // One walk in document order finds every PersonEntry (`//PersonEntry`) and every Class of a
    // ClassList (`//ClassList/Class`), in any namespace.
    std::vector<ClassFields> listed;
    std::vector<EntryFields> entries;
    const Node root = doc.root();
    for (Node node = root; node; node = IofXmlDocument::nextElement(node, root)) {
        if (IofXmlDocument::isElement(node, "Class")
            && IofXmlDocument::isElement(IofXmlDocument::parentOf(node), "ClassList")) {
            listed.push_back(classFields(node));
            continue;
        }
        if (!IofXmlDocument::isElement(node, "PersonEntry"))
            continue;
        EntryFields entry;
        if (Node person = IofXmlDocument::firstChild(node, "Person")) {
            entry.hasPerson = true;
            entry.given = IofXmlDocument::grandchildText(person, "Name", "Given");
            entry.family = IofXmlDocument::grandchildText(person, "Name", "Family");
            entry.card = sportIdentChildCard(node);
            entry.club = IofXmlDocument::grandchildText(node, "Organisation", "Name");
            Node classElement = IofXmlDocument::firstChild(node, "Class");
            if (!classElement)
                classElement
                    = IofXmlDocument::firstChild(IofXmlDocument::firstChild(node, "EntryClass"), "Class");
            if (classElement)
                entry.entryClass = classFields(classElement);
            else
                entry.classId = IofXmlDocument::childElementText(node, "ClassId");
        }
        entries.push_back(std::move(entry));
    }
    Assembler assembler(false);
    assembler.expect(qsizetype(entries.size()));
    for (const ClassFields &c : listed)
        assembler.list(c);
    for (EntryFields &entry : entries)
        assembler.add(assembler.reserve(), std::move(entry));
    return assembler.finish();
}

// ---- Streaming ------------------------------------------------------------------------------
// The same reading from libxml2's parser events, without building the tree: the tree of a large
// list costs more to build, walk and free than the parse itself. Only the common case is read
// here: a well-formed EntryList whose texts are all short and whose read attributes hold no
// reference. Anything else (refusals, errors, other roots, an attribute value with "&", a long
// run of text) goes to the tree reader above, which says exactly what the tree reader says.

class Stream
{
    friend struct IofSax::Events;

public:
    // Nullopt when the document is for the tree reader.
    static std::optional<Result> read(const QByteArray &bytes)
    {
        if (bytes.isEmpty() || bytes.size() > IofXmlDocument::maxDocumentBytes)
            return std::nullopt;
        IofXmlDocument::initParser();
        bool deferClasses = false;
        std::optional<Result> result = read(bytes, deferClasses);
        // A list placed after an entry, or nested entries, found only on the way: read again.
        if (!result && deferClasses)
            result = read(bytes, deferClasses);
        return result;
    }

private:
    // With deferClasses false, stops and sets it where the document needs the classes deferred.
    static std::optional<Result> read(const QByteArray &bytes, bool &deferClasses)
    {
        std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> ctxt(
            xmlNewParserCtxt(), xmlFreeParserCtxt);
        if (!ctxt)
            return std::nullopt;
        Stream stream(ctxt.get(), bytes.size(), deferClasses);
        IofSax::Events::read(ctxt.get(), bytes, stream);
        if (stream.m_mustDefer) {
            deferClasses = true;
            return std::nullopt;
        }
        if (stream.m_unusual || !ctxt->wellFormed || !stream.m_rootSeen || !stream.m_open.empty())
            return std::nullopt;
        for (const ClassCapture *c : stream.m_listed)
            stream.m_assembler.list(c->fields);
        return stream.m_assembler.finish();
    }

    // A class element being read, with what it has taken already (the first Id and Name count).
    struct ClassCapture
    {
        ClassFields fields;
        bool idTaken = false;
        bool nameTaken = false;
    };
    // An entry being read, with what it has taken already: the first of each kind counts.
    struct EntryCapture
    {
        EntryFields fields;
        bool person = false, given = false, family = false, card = false, club = false, entryClass = false,
             classId = false;
        ClassCapture *directClass = nullptr; // the entry's first Class
        ClassCapture *entryClassClass = nullptr; // the first Class of its first EntryClass
        // What they point at.
        ClassCapture direct;
        ClassCapture inEntryClass;
        qsizetype place = 0; // in the assembler
    };
    enum class Role {
        Other,
        Entry, // a PersonEntry
        Person, // an entry's first Person
        PersonName, // a Name of that Person
        Organisation, // an Organisation of an entry
        EntryClass, // an entry's first EntryClass
        Class, // the class element of an entry, or a Class of a ClassList
        ClassList, // any ClassList
    };
    struct Open
    {
        Role role = Role::Other;
        EntryCapture *entry = nullptr; // the entry of an entry's element
        ClassCapture *cls = nullptr; // for Role::Class
        // The element's text, collected until its end when it is one the entry or class takes.
        std::optional<QString> *target = nullptr;
    };

    Stream(xmlParserCtxtPtr ctxt, qsizetype documentBytes, bool deferClasses)
        : m_ctxt(ctxt)
        , m_documentBytes(documentBytes)
        , m_deferClasses(deferClasses)
        , m_assembler(deferClasses)
    { }

    // Stops a reading that adds classes as it goes at the first thing that needs them deferred.
    // Returns whether the reading goes on.
    bool classesInOrder(bool inOrder)
    {
        if (inOrder || m_deferClasses)
            return true;
        m_mustDefer = true;
        giveUp();
        return false;
    }

    // Once the first entries are read, the room for all of them is guessed from the bytes they
    // took: the list of a large document then never moves its participants to grow. Longer
    // entries further on only make it grow after all.
    void expectEntries()
    {
        constexpr qsizetype sample = 64;
        const qsizetype started = m_entriesStarted++;
        if (started == 0)
            m_firstEntryAt = xmlByteConsumed(m_ctxt);
        if (started != sample)
            return;
        const qsizetype guess
            = IofSax::expectedRecords(sample, m_firstEntryAt, xmlByteConsumed(m_ctxt), m_documentBytes);
        if (guess > 0)
            m_assembler.expect(guess);
    }

    static bool named(const xmlChar *localName, const char *name) { return IofSax::named(localName, name); }
    static bool isSportIdent(const std::optional<QString> &system) { return IofSax::isSportIdent(system); }

    void giveUp()
    {
        m_unusual = true;
        xmlStopParser(m_ctxt);
    }

    std::optional<QString> attribute(int count, const xmlChar **attributes, const char *name)
    {
        bool unusual = false;
        auto value = IofSax::attribute(count, attributes, name, unusual);
        if (unusual)
            giveUp();
        return value;
    }

    void captureInto(Open &open, std::optional<QString> &target, bool &taken)
    {
        if (taken)
            return;
        taken = true;
        if (m_capturing == m_buffers.size())
            m_buffers.emplace_back();
        // Emptied, not freed: the buffers serve every text of the document.
        m_buffers[m_capturing++].resize(0);
        open.target = &target;
    }

    ClassCapture *newClass(int attributeCount, const xmlChar **attributes)
    {
        m_classes.emplace_back();
        m_classes.back().fields.idAttribute = attribute(attributeCount, attributes, "id");
        return &m_classes.back();
    }

    ClassCapture *entryClass(ClassCapture &capture, int attributeCount, const xmlChar **attributes)
    {
        capture.fields.idAttribute = attribute(attributeCount, attributes, "id");
        return &capture;
    }

    void start(const xmlChar *localName, int attributeCount, const xmlChar **attributes)
    {
        m_textRun = 0;
        if (!m_rootSeen) {
            m_rootSeen = true;
            if (!named(localName, "EntryList")) {
                giveUp();
                return;
            }
        } else if (m_open.size() == 1 && named(localName, "IOFVersion")) {
            // An IOF XML 2.0.3 list, refused by the tree reader.
            giveUp();
            return;
        }
        Open open;
        const Open *parent = m_open.empty() ? nullptr : &m_open.back();
        const Role parentRole = parent ? parent->role : Role::Other;
        if (named(localName, "PersonEntry")) {
            if (m_entriesStarted == 0 && !m_deferClasses) {
                // The lists read so far are all there are; one still open is not read yet.
                for (const Open &o : m_open) {
                    if (!classesInOrder(o.role != Role::Class))
                        return;
                }
                for (const ClassCapture *c : m_listed)
                    m_assembler.list(c->fields);
                m_listed.clear();
            }
            if (!classesInOrder(m_openEntries == 0))
                return;
            open.role = Role::Entry;
            // Entries may nest: the open ones are a stack of captures, each used again for a
            // later entry once its own is read.
            if (m_openEntries == m_entryPool.size())
                m_entryPool.push_back(std::make_unique<EntryCapture>());
            EntryCapture &entry = *m_entryPool[m_openEntries++];
            entry = EntryCapture();
            expectEntries();
            entry.place = m_assembler.reserve();
            open.entry = &entry;
            m_entryMarks.push_back(m_pending.size());
        } else if (parentRole == Role::ClassList && named(localName, "Class")) {
            if (!classesInOrder(m_entriesStarted == 0))
                return;
            open.role = Role::Class;
            open.cls = newClass(attributeCount, attributes);
            m_listed.push_back(open.cls);
        } else if (named(localName, "ClassList")) {
            open.role = Role::ClassList;
        } else if (parentRole == Role::Class) {
            ClassCapture &c = *parent->cls;
            if (named(localName, "Id"))
                captureInto(open, c.fields.id, c.idTaken);
            else if (named(localName, "Name"))
                captureInto(open, c.fields.name, c.nameTaken);
        } else if (parent && parent->entry) {
            entryChild(open, *parent, localName, attributeCount, attributes);
        }
        m_open.push_back(open);
    }

    void entryChild(Open &open, const Open &parent, const xmlChar *localName, int attributeCount,
        const xmlChar **attributes)
    {
        EntryCapture &entry = *parent.entry;
        switch (parent.role) {
        case Role::Entry:
            if (named(localName, "Person")) {
                if (!entry.person) {
                    entry.person = entry.fields.hasPerson = true;
                    open.role = Role::Person;
                    open.entry = &entry;
                }
            } else if (named(localName, "ControlCard")) {
                if (!entry.card && isSportIdent(attribute(attributeCount, attributes, "punchingSystem")))
                    captureInto(open, entry.fields.card, entry.card);
            } else if (named(localName, "Organisation")) {
                open.role = Role::Organisation;
                open.entry = &entry;
            } else if (named(localName, "Class")) {
                if (!entry.directClass) {
                    open.role = Role::Class;
                    open.cls = entry.directClass = entryClass(entry.direct, attributeCount, attributes);
                }
            } else if (named(localName, "EntryClass")) {
                if (!entry.entryClass) {
                    entry.entryClass = true;
                    open.role = Role::EntryClass;
                    open.entry = &entry;
                }
            } else if (named(localName, "ClassId")) {
                captureInto(open, entry.fields.classId, entry.classId);
            }
            break;
        case Role::Person:
            if (named(localName, "Name")) {
                open.role = Role::PersonName;
                open.entry = &entry;
            }
            break;
        case Role::PersonName:
            if (named(localName, "Given"))
                captureInto(open, entry.fields.given, entry.given);
            else if (named(localName, "Family"))
                captureInto(open, entry.fields.family, entry.family);
            break;
        case Role::Organisation:
            if (named(localName, "Name"))
                captureInto(open, entry.fields.club, entry.club);
            break;
        case Role::EntryClass:
            if (named(localName, "Class") && !entry.entryClassClass) {
                open.role = Role::Class;
                open.cls = entry.entryClassClass = entryClass(entry.inEntryClass, attributeCount, attributes);
            }
            break;
        default:
            break;
        }
    }

    void end()
    {
        m_textRun = 0;
        const Open open = m_open.back();
        m_open.pop_back();
        if (open.target) {
            const QByteArray &raw = m_buffers[--m_capturing];
            if (m_entryMarks.empty()) {
                *open.target = IofXmlDocument::textFromXml(raw.constData()).trimmed();
            } else {
                m_pending.push_back({open.target, m_pendingBytes.size(), raw.size()});
                m_pendingBytes.append(QByteArrayView(raw));
            }
        }
        if (open.role == Role::Entry) {
            const std::size_t mark = m_entryMarks.back();
            m_entryMarks.pop_back();
            takePending(mark);
            EntryCapture &e = *open.entry;
            // The entry's class element is its own, so its texts move with the entry.
            if (ClassCapture *c = e.directClass ? e.directClass : e.entryClassClass)
                e.fields.entryClass = std::move(c->fields);
            m_assembler.add(e.place, std::move(e.fields));
            --m_openEntries;
        }
    }

    // UTF-8 to UTF-16 as QString::fromUtf8 gives it for the well-formed text libxml2 passes on (it
    // refuses a document whose bytes are not); a broken sequence is never read past the end. Gives
    // the number of units written, never more than the bytes read.
    static qsizetype decodeUtf8(char16_t *out, const uchar *in, qsizetype size)
    {
        char16_t *const start = out;
        const uchar *const end = in + size;
        while (in < end) {
            const uchar b = *in;
            if (b < 0x80) {
                *out++ = b;
                ++in;
                continue;
            }
            const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
            if (extra == 0 || end - in <= extra) {
                *out++ = QChar::ReplacementCharacter;
                ++in;
                continue;
            }
            char32_t c = b & (0x3F >> extra);
            for (int i = 1; i <= extra; ++i)
                c = (c << 6) | (in[i] & 0x3F);
            in += extra + 1;
            if (QChar::requiresSurrogates(c)) {
                *out++ = QChar::highSurrogate(c);
                *out++ = QChar::lowSurrogate(c);
            } else {
                *out++ = char16_t(c);
            }
        }
        return out - start;
    }

    // The texts that ended inside the entry now ending, made as textFromXml(...).trimmed() makes
    // them but in one block that they share: a participant's texts are then one allocation
    // instead of five, and a re-import that finds them unchanged frees one block per entry, not
    // five scattered ones. Each text keeps its own place and terminating null in the block, so it
    // reads and compares as any other; changing one copies it out first, as for any shared text.
    void takePending(std::size_t mark)
    {
        if (mark == m_pending.size())
            return;
        const qsizetype base = m_pending[mark].offset;
        // A UTF-8 byte never makes more than one UTF-16 unit; each text gets its null.
        const qsizetype capacity = m_pendingBytes.size() - base + qsizetype(m_pending.size() - mark);
        auto [header, data] = QTypedArrayData<char16_t>::allocate(capacity);
        Q_CHECK_PTR(header);
        char16_t *at = data;
        qsizetype shared = 0;
        for (std::size_t i = mark; i < m_pending.size(); ++i) {
            const Pending &text = m_pending[i];
            QChar *const begin = reinterpret_cast<QChar *>(at);
            QChar *end = begin
                + decodeUtf8(
                    at, reinterpret_cast<const uchar *>(m_pendingBytes.constData()) + text.offset, text.size);
            end = std::remove_if(
                begin, end, [](QChar c) { return c == u'\uFEFF' || c == u'\u200B' || c == u'\u2060'; });
            const QStringView trimmed = QStringView(begin, end).trimmed();
            if (trimmed.isEmpty()) {
                // As textFromXml(...).trimmed() gives it: empty, not null.
                *text.target = QString(begin, 0);
                continue;
            }
            const qsizetype n = trimmed.size();
            if (trimmed.utf16() != at)
                std::memmove(at, trimmed.utf16(), std::size_t(n) * sizeof(char16_t));
            at[n] = u'\0';
            // The block is made with one reference, which the first text takes.
            if (shared++ > 0)
                header->ref();
            *text.target = QString(QString::DataPointer(header, at, n));
            at += n + 1;
        }
        if (shared == 0)
            QTypedArrayData<char16_t>::deallocate(header);
        m_pending.resize(mark);
        m_pendingBytes.truncate(base);
    }

    // The tree holds each run of character data as one text (or CDATA) node: a run this long is
    // left to the tree reader, which refuses a text past its limit with the text's length.
    static void onText(void *, const xmlChar *chars, int length)
    {
        Stream &s = *current;
        if (s.m_unusual)
            return;
        s.m_textRun += length;
        if (s.m_textRun > IofXmlDocument::maxTextBytes) {
            s.giveUp();
            return;
        }
        for (std::size_t i = 0; i < s.m_capturing; ++i)
            s.m_buffers[i].append(reinterpret_cast<const char *>(chars), length);
    }

    // The stream reading on this thread (libxml2's callbacks carry the parser context only).
    static thread_local Stream *current;

    xmlParserCtxtPtr m_ctxt;
    qsizetype m_documentBytes = 0;
    qsizetype m_entriesStarted = 0;
    // Whether the entries' classes are deferred to the end, and whether this reading found that
    // they must be.
    bool m_deferClasses = false;
    bool m_mustDefer = false;
    qsizetype m_firstEntryAt = -1;
    bool m_unusual = false;
    bool m_rootSeen = false;
    qsizetype m_textRun = 0;
    std::vector<Open> m_open;
    // The texts being collected are the first m_capturing buffers, innermost last.
    std::vector<QByteArray> m_buffers;
    std::size_t m_capturing = 0;
    // Deques: the open elements point into them while they grow.
    // The captures of the entries open, innermost last, at stable addresses.
    std::vector<std::unique_ptr<EntryCapture>> m_entryPool;
    std::size_t m_openEntries = 0;
    Assembler m_assembler;
    // The classes of ClassLists; a deque, as the open elements point into it while it grows.
    std::deque<ClassCapture> m_classes;
    std::vector<const ClassCapture *> m_listed;
    // The texts ended inside the entries being read, kept in UTF-8 until their entry ends; each
    // entry's first is at its mark (PersonEntry elements may nest).
    struct Pending
    {
        std::optional<QString> *target;
        qsizetype offset;
        qsizetype size;
    };
    std::vector<Pending> m_pending;
    QByteArray m_pendingBytes;
    std::vector<std::size_t> m_entryMarks;
};

thread_local Stream *Stream::current = nullptr;

} // namespace

Result parse(const QByteArray &bytes)
{
    if (std::optional<Result> streamed = Stream::read(bytes))
        return std::move(*streamed);
    return treeResult(bytes);
}

std::optional<Result> readStreaming(const QByteArray &bytes)
{
    return Stream::read(bytes);
}

Result readTree(const QByteArray &bytes)
{
    return treeResult(bytes);
}

} // namespace IOFEntryListParser
