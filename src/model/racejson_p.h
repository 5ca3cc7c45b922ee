#pragma once

// Internal to the event document's JSON codec; nothing outside src/model includes this.

#include "racejson.h"

#include <QByteArray>

#include <optional>

namespace racejson_detail {

// The direct text writer (racejsonwriter.cpp): nullopt on any value the object writer refuses,
// which is then run to name the failure.
std::optional<QByteArray> writeRaceText(const Race &race, JsonLayout layout);
std::optional<QByteArray> writePersonResultText(const PersonResult &result, JsonLayout layout);

// The direct text reader (racejsonreader.cpp): nullopt on anything outside its strict subset or
// any document failing a reading rule; the object reader then gives the outcome and error text.
std::optional<Race> readRaceText(const QByteArray &json);
std::optional<PersonResult> readPersonResultText(const QByteArray &json);

} // namespace racejson_detail
