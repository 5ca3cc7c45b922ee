#include "vexlowebclients.h"

VexloWebVerifier::VexloWebVerifier(QObject *parent)
    : QObject(parent)
{ }

VexloWebEventsClient::VexloWebEventsClient(QObject *parent)
    : QObject(parent)
{ }
