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

    const auto entries = doc.query("//*[local-name()='PersonEntry']");
    if (entries.isEmpty())
        throw ImportError(QStringLiteral("No <PersonEntry> elements found in EntryList XML"));

    ClassTable classes;
    for (Node element : doc.query("//*[local-name()='ClassList']/*[local-name()='Class']")) {
        std::optional<QString> id = IofXmlDocument::attribute(element, "id");
        if (!id)
            id = doc.text("*[local-name()='Id']", element);
        if (!id)
            continue;
        classes.put(*id, doc.text("*[local-name()='Name']", element).value_or(*id));
    }

    Result result;
    result.participants.reserve(entries.size());
    for (Node entry : entries) {
        Node person = doc.first("*[local-name()='Person']", entry);
        if (!person)
            continue;
        Participant p;
        p.givenName = doc.text("*[local-name()='Name']/*[local-name()='Given']", person).value_or(QString());
        p.familyName
            = doc.text("*[local-name()='Name']/*[local-name()='Family']", person).value_or(QString());
        p.cardNumber = sportIdentCard(doc, "*[local-name()='ControlCard']", entry).value_or(QString());
        p.club = doc.text("*[local-name()='Organisation']/*[local-name()='Name']", entry);

        Node classElement = doc.first("*[local-name()='Class']", entry);
        if (!classElement) {
            if (Node entryClass = doc.first("*[local-name()='EntryClass']", entry))
                classElement = doc.first("*[local-name()='Class']", entryClass);
        }
        if (classElement) {
            std::optional<QString> id = IofXmlDocument::attribute(classElement, "id");
            if (!id)
                id = doc.text("*[local-name()='Id']", classElement);
            const std::optional<QString> name = doc.text("*[local-name()='Name']", classElement);
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
        } else if (const auto classId = doc.text("*[local-name()='ClassId']", entry)) {
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
