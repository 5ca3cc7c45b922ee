#include "iofentrylistparser.h"

#include <QHash>

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
        RaceClass cls;
        cls.id = id;
        cls.name = name;
        auto it = m_index.constFind(key(id));
        if (it != m_index.constEnd()) {
            m_classes[it.value()] = cls;
        } else {
            m_index.insert(key(id), m_classes.size());
            m_classes.append(cls);
        }
    }
    [[nodiscard]] QList<RaceClass> classes() const { return m_classes; }

private:
    // Ids are equal when canonically equivalent.
    static QString key(const QString &id) { return id.normalized(QString::NormalizationForm_C); }

    QList<RaceClass> m_classes;
    QHash<QString, qsizetype> m_index;
};

} // namespace

Result parse(const QByteArray &bytes)
{
    const IofXmlDocument doc = IofXmlDocument::parse(bytes);
    doc.expectRoot("EntryList", QStringLiteral("entries"));

    // One walk in document order finds every PersonEntry (`//PersonEntry`) and every Class of a
    // ClassList (`//ClassList/Class`), in any namespace; the classes are read before the entries.
    QList<Node> entries;
    QList<Node> listedClasses;
    const Node root = doc.root();
    for (Node node = root; node; node = IofXmlDocument::nextElement(node, root)) {
        if (IofXmlDocument::isElement(node, "PersonEntry"))
            entries.append(node);
        else if (IofXmlDocument::isElement(node, "Class")
            && IofXmlDocument::isElement(IofXmlDocument::parentOf(node), "ClassList"))
            listedClasses.append(node);
    }
    if (entries.isEmpty())
        throw ImportError(QStringLiteral("No <PersonEntry> elements found in EntryList XML"));

    ClassTable classes;
    for (Node element : std::as_const(listedClasses)) {
        std::optional<QString> id = IofXmlDocument::attribute(element, "id");
        if (!id)
            id = IofXmlDocument::childElementText(element, "Id");
        if (!id)
            continue;
        classes.put(*id, IofXmlDocument::childElementText(element, "Name").value_or(*id));
    }

    Result result;
    result.participants.reserve(entries.size());
    for (Node entry : std::as_const(entries)) {
        Node person = IofXmlDocument::firstChild(entry, "Person");
        if (!person)
            continue;
        Participant p;
        p.givenName = IofXmlDocument::grandchildText(person, "Name", "Given").value_or(QString());
        p.familyName = IofXmlDocument::grandchildText(person, "Name", "Family").value_or(QString());
        p.cardNumber = sportIdentChildCard(entry).value_or(QString());
        p.club = IofXmlDocument::grandchildText(entry, "Organisation", "Name");

        Node classElement = IofXmlDocument::firstChild(entry, "Class");
        if (!classElement) {
            if (Node entryClass = IofXmlDocument::firstChild(entry, "EntryClass"))
                classElement = IofXmlDocument::firstChild(entryClass, "Class");
        }
        if (classElement) {
            std::optional<QString> id = IofXmlDocument::attribute(classElement, "id");
            if (!id)
                id = IofXmlDocument::childElementText(classElement, "Id");
            const std::optional<QString> name = IofXmlDocument::childElementText(classElement, "Name");
            if (id || name) {
                const QString classId = id ? *id : *name;
                QString className;
                if (name) {
                    className = *name;
                } else {
                    const RaceClass *known = classes.find(classId);
                    className = known ? known->name : classId;
                }
                classes.put(classId, className);
                p.classId = classId;
            }
        } else if (const auto classId = IofXmlDocument::childElementText(entry, "ClassId")) {
            p.classId = *classId;
            if (!classes.find(*classId))
                classes.put(*classId, *classId);
        }
        result.participants.append(p);
    }
    result.classes = classes.classes();
    return result;
}

} // namespace IOFEntryListParser
