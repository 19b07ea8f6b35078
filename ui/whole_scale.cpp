#include "whole_scale.h"

#include <QByteArray>
#include <QGuiApplication>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <system_error>

namespace {

std::string RoundFactor(std::string_view factor) {
    double value = 0;
    const auto [end, error] = std::from_chars(factor.data(), factor.data() + factor.size(), value);
    if (error != std::errc() || end != factor.data() + factor.size() || !std::isfinite(value) ||
        value <= 0) {
        return std::string(factor);
    }
    return std::to_string(std::max(1L, std::lround(value)));
}

} // namespace

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

void UseWholeScaleFactors() {
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::Round);
    const QByteArray factors = qgetenv("QT_SCREEN_SCALE_FACTORS");
    if (!factors.isEmpty()) {
        qputenv("QT_SCREEN_SCALE_FACTORS",
                QByteArray::fromStdString(WholeScreenScaleFactors(factors.toStdString())));
    }
}
