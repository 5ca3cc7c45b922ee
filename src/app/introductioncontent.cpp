#include "introductioncontent.h"

const QList<InfoSection> &allInfoSections()
{
    static const QList<InfoSection> sections = {
        {SidebarItem::Race,
            QStringLiteral(
                "Name the event, set its date, and choose a save file. Once a file is chosen, results "
                "autosave after every card read.")},
        {SidebarItem::Stages,
            QStringLiteral(
                "For multi-day/multi-stage events: define one entry per stage and pick which one is "
                "active. Card reads are tagged with the active stage; classes get an overall (summed) "
                "total once more than one stage exists.")},
        {SidebarItem::Courses,
            QStringLiteral(
                "Define courses/controls, i.e. import iof xml or enter manually. Supports traditional "
                "fixed-order courses, including variant/butterfly course families, as well as "
                "rogaining/score courses (any order, time limit, penalties).")},
        {SidebarItem::Classes,
            QStringLiteral("Map participants into classes and assign them a course, a course family (with "
                           "per-runner variant), or a set of courses for multi-course events. Also controls "
                           "whether a class starts on scheduled times or using SI start punch.")},
        {SidebarItem::Participants,
            QStringLiteral(
                "Build the entry list, assign SI cards, and set class/club; import iof xml, by URL or "
                "add manually. Card-to-runner matching here is what lets a card read resolve to a "
                "result.")},
        {SidebarItem::StartList,
            QStringLiteral(
                "Plan when each runner starts \u2014 individually or via bulk sequential/mass-start "
                "assignment. Independent of any punch on the card; only used when a class's start "
                "method is \"scheduled time\".")},
        {SidebarItem::Reader,
            QStringLiteral(
                "Connect the SI card reader and set up reciept printing. Watch card reads come in live, "
                "matched to a participant automatically.")},
        {SidebarItem::Results,
            QStringLiteral(
                "Review, correct, and export results and split times; print receipts. Handles "
                "exceptions like forcing a completed/incomplete status or reassigning a runner's course "
                "after the fact.")},
        {SidebarItem::Pending,
            QStringLiteral(
                "See who's still out on course, who's checked out, and mark stragglers DNS/DNF when "
                "they'll never produce a card read.")},
        {SidebarItem::Sync,
            QStringLiteral("Multi-station setup: master/slave networking across several reader stations, "
                           "live-results publishing, and Vexlo Web / O-Checklist integration.")},
    };
    return sections;
}

QList<InfoSection> infoSections(bool isMultiStageEvent)
{
    QList<InfoSection> rows;
    for (const InfoSection &section : allInfoSections()) {
        if (section.item == SidebarItem::Stages && !isMultiStageEvent)
            continue;
        rows.append(section);
    }
    return rows;
}

const QList<Guide> &allGuides()
{
    static const QList<Guide> guides = {
        {QStringLiteral("1. Simplest \u2014 walk-up / \"punch'n'run\""),
            QStringLiteral(
                "No pre-registration at all. Runners show up, run, and are registered the moment their "
                "card is read."),
            {
                QStringLiteral("Courses: import courses (IOF XML) or add them manually."),
                QStringLiteral("Classes: use \"Generate classes from courses\" (or add classes manually)."),
                QStringLiteral("SI Reader: connect the card reader."),
                QStringLiteral(
                    "When a runner punches in and their card is read with no match, click \"Register...\" "
                    "on the card-read prompt, fill in their name/class, and their result is recorded "
                    "immediately \u2014 no separate entry step needed."),
            }},
        {QStringLiteral("2. Simple \u2014 pre-registered entries, mass/punch start"),
            QStringLiteral(
                "Runners are entered ahead of time, but start whenever they like (e.g. a mass start, or a "
                "start-triggered station) \u2014 no individual scheduled times needed."),
            {
                QStringLiteral("Courses: import courses (IOF XML)."),
                QStringLiteral(
                    "Classes: generate/auto-match classes to courses, then set each class's \"Start\" "
                    "method to \"Start punch\"."),
                QStringLiteral(
                    "Entries: import participants (file or URL import) or add manually \u2014 no start "
                    "time needs to be set."),
                QStringLiteral("SI Reader: connect the reader; the card's own start-station punch is used "
                               "automatically as each runner's start time."),
            }},
        {QStringLiteral("3. Medium \u2014 pre-registered entries, planned start list"),
            QStringLiteral("Runners are entered ahead of time and given individual scheduled start times "
                           "(chase-start or interval starts)."),
            {
                QStringLiteral("Courses: import courses (IOF XML)."),
                QStringLiteral("Classes: generate/auto-match classes to courses."),
                QStringLiteral(
                    "Entries: import participants (file or URL import), or add manually \u2014 this "
                    "assigns each runner's SI card."),
                QStringLiteral("Start List: assign start times \u2014 either a per-class \"Random draw\", or "
                               "\"Generate full start list\" for the whole field at once."),
                QStringLiteral(
                    "SI Reader: connect the reader; as runners finish and their card is read, results "
                    "are matched automatically using their scheduled start time."),
            }},
        {QStringLiteral("4. Advanced \u2014 multi-stage event with master/slave reader stations"),
            QStringLiteral(
                "A multi-day event run across several reader stations at once (e.g. separate stations "
                "per start/finish point or per day), with one station acting as the authoritative "
                "master."),
            {
                QStringLiteral("Events: enable \"Multi-stage event\" and set the event date."),
                QStringLiteral(
                    "Stages: add one entry per day/leg and pick which one is active \u2014 new card reads "
                    "and start times apply to whichever stage is active."),
                QStringLiteral(
                    "Courses/Classes/Entries: set up as in the other guides above; per-stage course "
                    "overrides can be configured per class if needed."),
                QStringLiteral(
                    "Advanced settings (Station Role): on the main computer, set the role to \"Master\" "
                    "and Start it; on each additional reader computer, set the role to \"Slave\" and "
                    "Start it \u2014 slaves discover the master automatically and read cards locally, "
                    "submitting results back to it."),
                QStringLiteral("On each station's SI Reader tab, connect that station's card reader; results "
                               "recorded on any slave are merged into the master and shown everywhere."),
                QStringLiteral(
                    "Results: use the per-stage tabs to see each day's results, and the \"Overall\" tab "
                    "for the summed general classification across all stages."),
            }},
    };
    return guides;
}

const QList<AboutBlock> &aboutBlocks()
{
    static const QList<AboutBlock> blocks = {
        {QStringLiteral("Why"),
            QStringLiteral(
                "Vexlo was written to give the orienteering community a Linux-native way to organise races "
                "and read SI cards. Vexlo is cakeware: if you like it, pay it back by organising an "
                "extra race or training for your club, or by bringing a cake to your next club "
                "meeting.")},
        {QStringLiteral("Disclaimer"),
            QStringLiteral(
                "This app is provided for free and \"as is\", without warranty of any kind, expressed or "
                "implied, including but not limited to the warranties of merchantability, fitness for a "
                "particular purpose, and noninfringement. In no event shall the author be liable for any "
                "claim, damages or other liability arising from, out of or in connection with the "
                "software or its use.")},
        {QStringLiteral("Privacy"),
            QStringLiteral(
                "All data entered into Vexlo stays within the app and its companion website, except "
                "where you explicitly choose to publish results to live or other online results "
                "services. Your data is never shared with third parties, sold, or used for commercial "
                "or advertising purposes.")},
    };
    return blocks;
}

QString aboutClosingLine()
{
    return QStringLiteral("Made with care by the Vexlo developers, 2025.");
}
