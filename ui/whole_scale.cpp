#include "whole_scale.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QLatin1String>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <system_error>
#include <utility>

namespace {

constexpr const char* PolicyVariable = "QT_SCALE_FACTOR_ROUNDING_POLICY";

// The handler that was there before, for every other message. Qt calls a
// message handler as a plain function, so it can only find it here.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
QtMessageHandler passOn = nullptr;

void DropStaleScaleWarning(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String(
                                    "The cached device pixel ratio value was stale on window "))) {
        return;
    }
    passOn(type, context, message);
}

std::string RoundFactor(std::string_view factor) {
    double value = 0;
    const auto [end, error] = std::from_chars(factor.data(), factor.data() + factor.size(), value);
    if (error != std::errc() || end != factor.data() + factor.size() || !std::isfinite(value) ||
        value <= 0) {
        return std::string(factor);
    }
    return std::to_string(std::max(1L, std::lround(value)));
}

bool SameLetters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The policy a QT_SCALE_FACTOR_ROUNDING_POLICY value names, matched the way
// Qt matches it: any case.
std::optional<Qt::HighDpiScaleFactorRoundingPolicy> PolicyNamed(std::string_view name) {
    using Policy = Qt::HighDpiScaleFactorRoundingPolicy;
    static constexpr std::pair<std::string_view, Policy> Names[] = {
        {"Round", Policy::Round},
        {"Ceil", Policy::Ceil},
        {"Floor", Policy::Floor},
        {"RoundPreferFloor", Policy::RoundPreferFloor},
        {"PassThrough", Policy::PassThrough},
    };
    for (const auto& [known, policy] : Names) {
        if (SameLetters(name, known)) {
            return policy;
        }
    }
    return std::nullopt;
}

} // namespace

bool QtTriesWaylandFirst(const Environment& environment) {
    if (const auto chosen = environment("QT_QPA_PLATFORM"); chosen && !chosen->empty()) {
        // "wayland", "wayland-egl;xcb", "xcb:some-option" ...: the first
        // plugin named is tried first.
        const std::string_view first =
            std::string_view(*chosen).substr(0, chosen->find_first_of(";:"));
        return first.substr(0, 7) == "wayland";
    }
    const auto session = environment("XDG_SESSION_TYPE");
    return environment("WAYLAND_DISPLAY").has_value() || (session && *session == "wayland");
}

ScaleRounding ScaleRoundingFor(const Environment& environment) {
    const auto players = environment(PolicyVariable);
    if (players) {
        if (const auto policy = PolicyNamed(*players)) {
            return {*policy, true};
        }
    }
    const auto policy = QtTriesWaylandFirst(environment)
                            ? Qt::HighDpiScaleFactorRoundingPolicy::PassThrough
                            : Qt::HighDpiScaleFactorRoundingPolicy::Round;
    return {policy, players && players->empty()};
}

std::string WholeScreenScaleFactors(std::string_view factors) {
    std::string whole;
    while (true) {
        const std::size_t end = factors.find(';');
        const std::string_view entry = factors.substr(0, end);
        // Either a bare factor, or a screen's name, "=" and its factor.
        const std::size_t equals = entry.rfind('=');
        const std::size_t start = equals == std::string_view::npos ? 0 : equals + 1;
        whole += entry.substr(0, start);
        whole += RoundFactor(entry.substr(start));
        if (end == std::string_view::npos) {
            return whole;
        }
        whole += ';';
        factors.remove_prefix(end + 1);
    }
}

Environment ProcessEnvironment() {
    return [](const char* name) -> std::optional<std::string> {
        if (!qEnvironmentVariableIsSet(name)) {
            return std::nullopt;
        }
        return qgetenv(name).toStdString();
    };
}

void ChooseScaleRounding() {
    const ScaleRounding rounding = ScaleRoundingFor(ProcessEnvironment());
    if (rounding.playersVariableTaken) {
        qunsetenv(PolicyVariable);
    }
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(rounding.policy);
    const QByteArray factors = qgetenv("QT_SCREEN_SCALE_FACTORS");
    if (!factors.isEmpty()) {
        qputenv("QT_SCREEN_SCALE_FACTORS",
                QByteArray::fromStdString(WholeScreenScaleFactors(factors.toStdString())));
    }
}

void IgnoreStaleScaleWarnings() {
    passOn = qInstallMessageHandler(DropStaleScaleWarning);
}
