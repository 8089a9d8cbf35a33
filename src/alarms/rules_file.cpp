// SPDX-License-Identifier: MIT
#include "alarms/rules_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <set>

namespace zr::alarms {
namespace {

// A year of hold-off, and a count of readings no run reaches: beyond them a value is a mistake,
// and it would overflow the clock's arithmetic.
constexpr double kLongestHoldOffSeconds = 366.0 * 24 * 60 * 60;
constexpr double kLargestCount = 1e9;

const QStringList kCommonKeys = {"chip", "channel", "kind", "name"};
const QStringList kLimitKeys = {"limit", "hysteresis", "holdOff"};
const QStringList kCountKeys = {"count"};

struct Refusal {
    std::string problem;
};

std::string quoted(const QString& text)
{
    return "\"" + text.toStdString() + "\"";
}

RuleKind kindOf(const QJsonObject& o)
{
    if (!o.contains("kind"))
        throw Refusal{"missing field \"kind\""};
    const QString kind = o["kind"].toString();
    for (RuleKind k : {RuleKind::High, RuleKind::Low, RuleKind::Frozen, RuleKind::Failing})
        if (kind == kindName(k))
            return k;
    throw Refusal{"kind " + quoted(o["kind"].toVariant().toString()) +
                  " is not high, low, frozen or failing"};
}

Chip chipOf(const QString& name)
{
    std::string names;
    for (const ChipDescriptor& c : kChips) {
        if (name == c.name)
            return c.chip;
        names += std::string(names.empty() ? "" : " or ") + c.name;
    }
    throw Refusal{"chip " + quoted(name) + " is not " + names};
}

int channelOf(const QString& name, Chip chip, RuleKind kind)
{
    std::string names;
    for (int channel = kAnyChannel; channel < kChannelCount; ++channel) {
        if (name != channelName(channel)) {
            names += std::string(channel == kAnyChannel ? "" : ", ") + channelName(channel);
            continue;
        }
        if (channel == kAnyChannel && kind != RuleKind::Failing)
            throw Refusal{"channel \"any\" is only for failing rules"};
        if (isRailChannel(channel) && !hasRails(chip))
            throw Refusal{std::string(chipName(chip)) + " has no channel " + quoted(name)};
        return channel;
    }
    throw Refusal{"channel " + quoted(name) + " is not one of " + names};
}

double numberOf(const QJsonObject& o, const char* key, double lowest, double highest)
{
    const QJsonValue v = o[key];
    if (!v.isDouble())
        throw Refusal{std::string(key) + " is not a number"};
    const double x = v.toDouble();
    if (x < lowest || x > highest) {
        const auto bound = [](double b) { return QString::number(b, 'g', 12).toStdString(); };
        throw Refusal{std::string(key) + " " + bound(x) + " is not " +
                      (std::isinf(highest) ? "at least " + bound(lowest)
                                           : "from " + bound(lowest) + " to " + bound(highest))};
    }
    return x;
}

QString textOf(const QJsonObject& o, const char* key)
{
    if (!o[key].isString())
        throw Refusal{std::string(key) + " is not a string"};
    return o[key].toString();
}

Rule ruleOf(const QJsonObject& o)
{
    Rule rule;
    rule.kind = kindOf(o);
    const bool limits = rule.kind == RuleKind::High || rule.kind == RuleKind::Low;
    const QStringList& own = limits ? kLimitKeys : kCountKeys;
    for (const QString& key : o.keys()) {
        if (kCommonKeys.contains(key) || own.contains(key))
            continue;
        if (kLimitKeys.contains(key) || kCountKeys.contains(key))
            throw Refusal{quoted(key) + " does not apply to a " + kindName(rule.kind) + " rule"};
        throw Refusal{"unknown key " + quoted(key)};
    }
    for (const QString& key : QStringList{"chip", "channel"} + own)
        if (!o.contains(key))
            throw Refusal{"missing field " + quoted(key)};
    rule.chip = chipOf(textOf(o, "chip"));
    rule.channel = channelOf(textOf(o, "channel"), rule.chip, rule.kind);
    if (limits) {
        const double inf = HUGE_VAL;
        rule.limit = numberOf(o, "limit", -inf, inf);
        rule.hysteresis = numberOf(o, "hysteresis", 0, inf);
        rule.holdOff = std::chrono::milliseconds(
            std::llround(numberOf(o, "holdOff", 0, kLongestHoldOffSeconds) * 1000.0));
    } else {
        // One identical reading is no sign of a frozen value.
        const double count =
            numberOf(o, "count", rule.kind == RuleKind::Frozen ? 2 : 1, kLargestCount);
        if (count != std::floor(count))
            throw Refusal{"count " + QString::number(count).toStdString() +
                          " is not a whole number"};
        rule.count = static_cast<std::int64_t>(count);
    }
    if (o.contains("name")) {
        rule.name = textOf(o, "name").trimmed().toStdString();
        if (rule.name.empty())
            throw Refusal{"name is empty"};
    }
    return rule;
}

int lineAt(const std::string& text, int offset)
{
    int line = 1;
    for (int i = 0; i < offset && i < static_cast<int>(text.size()); ++i)
        line += text[static_cast<std::size_t>(i)] == '\n';
    return line;
}

std::string number(double x)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, x).ptr;
    return std::string(text, end);
}

std::string jsonString(const std::string& text)
{
    const QByteArray array =
        QJsonDocument(QJsonArray{QString::fromStdString(text)}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2).toStdString();
}

std::string ruleText(const Rule& rule)
{
    std::string line = "{\"chip\": " + jsonString(chipName(rule.chip)) +
                       ", \"channel\": " + jsonString(channelName(rule.channel)) +
                       ", \"kind\": " + jsonString(kindName(rule.kind));
    if (rule.kind == RuleKind::High || rule.kind == RuleKind::Low)
        line += ", \"limit\": " + number(rule.limit) +
                ", \"hysteresis\": " + number(rule.hysteresis) +
                ", \"holdOff\": " + number(static_cast<double>(rule.holdOff.count()) / 1000.0);
    else
        line += ", \"count\": " + std::to_string(rule.count);
    static const QRegularExpression placeName("^rule [0-9]+$");
    if (!placeName.match(QString::fromStdString(rule.name)).hasMatch())
        line += ", \"name\": " + jsonString(rule.name);
    return line + "}";
}

} // namespace

std::string rulesText(const std::vector<Rule>& rules)
{
    std::string text = "{\"rules\": [";
    for (std::size_t i = 0; i < rules.size(); ++i)
        text += std::string(i ? "," : "") + "\n  " + ruleText(rules[i]);
    return text + "\n]}\n";
}

void saveRulesFile(const std::string& path, const std::vector<Rule>& rules)
{
    const QString name = QString::fromStdString(path);
    QSaveFile file(name);
    const QByteArray text = QByteArray::fromStdString(rulesText(rules));
    if (!QDir().mkpath(QFileInfo(name).absolutePath()) || !file.open(QIODevice::WriteOnly) ||
        file.write(text) != text.size() || !file.commit())
        throw RulesFileError(path + ": cannot be written: " + file.errorString().toStdString());
}

std::vector<Rule> parseRules(const std::string& text, const std::string& origin)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    if (error.error != QJsonParseError::NoError)
        throw RulesFileError(origin + ":" + std::to_string(lineAt(text, error.offset)) +
                             ": not JSON: " + error.errorString().toStdString());
    const QJsonObject top = document.object();
    if (!document.isObject() || !top["rules"].isArray())
        throw RulesFileError(origin + ": not a rules file: it needs {\"rules\": [...]}");
    for (const QString& key : top.keys())
        if (key != "rules")
            throw RulesFileError(origin + ": unknown key " + quoted(key));

    std::vector<Rule> rules;
    std::set<std::string> names;
    const QJsonArray list = top["rules"].toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const std::string place = "rule " + std::to_string(i + 1);
        const QJsonObject o = list[i].toObject();
        const QString given = o["name"].toString();
        const std::string which =
            origin + ": " + place + (given.isEmpty() ? "" : " (" + quoted(given) + ")") + ": ";
        if (!list[i].isObject())
            throw RulesFileError(which + "not an object");
        try {
            Rule rule = ruleOf(o);
            if (rule.name.empty())
                rule.name = place;
            if (!names.insert(rule.name).second)
                throw Refusal{"another rule is called " +
                              quoted(QString::fromStdString(rule.name))};
            rules.push_back(std::move(rule));
        } catch (const Refusal& refusal) {
            throw RulesFileError(which + refusal.problem);
        }
    }
    return rules;
}

std::vector<Rule> loadRulesFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw RulesFileError(path + ": cannot be read: " + file.errorString().toStdString());
    return parseRules(file.readAll().toStdString(), path);
}

std::string defaultRulesPath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config && config[0] == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home ? home : "") + "/.config";
    }
    return folder + "/zr410ab/alarms.json";
}

} // namespace zr::alarms
