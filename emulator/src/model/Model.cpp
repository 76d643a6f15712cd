#include "kasemu/Model.h"

#include <cmath>

#include "model/CommandContext.h"
#include "model/CommandGroups.h"

namespace kasemu {

namespace {

// Commands that open or extend a fiscal document, and the logo commands: once the shift has
// run past 24 hours the register refuses them until the Z report. Every other command is
// carried out and answered with result 0 and the over-24-hours status.
bool refusedOnceTheShiftIsOver(std::uint8_t command) {
    switch (command) {
    case 0x08: // payout line
    case 0x0B: // comment (and the zero receipt)
    case 0x12: // sale line
    case 0x2D: // logo
        return true;
    default:
        return false;
    }
}

} // namespace

Model::Model(RegisterState state, const Clock& clock, ModelConfig config)
    : state_(std::move(state)), clock_(clock), config_(config) {
    addStatusCommands(*this);
    addOperatorCommands(*this);
    addReceiptCommands(*this);
    addCashCommands(*this);
    addReportCommands(*this);
    addPeripheralCommands(*this);
    addProgrammingCommands(*this);
    addArticleCommands(*this);
    addQueryCommands(*this);
    addLogoCommands(*this);
}

Outcome Model::execute(std::uint8_t command, std::span<const std::uint8_t> data) {
    Outcome out;
    CommandContext ctx(*this, command, data, out);
    const auto it = commands_.find(command);
    if (it == commands_.end()) {
        ctx.forbid();
    } else if (refusedOnceTheShiftIsOver(command) && shiftOverADay()) {
        ctx.refuse(result::NeedsZReport);
    } else {
        it->second(ctx);
        if (!ctx.in.ok()) {
            // The data was shorter than the command needs: nothing may have been done.
            out.status |= status::NotExecuted;
        }
    }
    finish(ctx, out);
    return out;
}

Outcome Model::executeRawBlock(std::span<const std::uint8_t> block) {
    Outcome out;
    CommandContext ctx(*this, 0, block, out);
    if (rawHandler_) {
        const RawHandler handler = rawHandler_; // it may end the transfer
        handler(ctx, block);
        if (out.rawComplete || ctx.failed()) {
            rawHandler_ = nullptr;
        }
    } else {
        ctx.forbid();
    }
    finish(ctx, out);
    return out;
}

bool Model::shiftOverADay() const {
    return state_.shiftOpen && now() - state_.shiftOpenedAt > 24 * 3600;
}

void Model::endRawTransfer() {
    rawHandler_ = nullptr;
}

void Model::finish(CommandContext& ctx, Outcome& out) {
    (void)ctx;
    // The register as a whole: a shift longer than 24 hours, the service report.
    if (shiftOverADay()) {
        out.status |= status::ShiftOver24h;
    }
    if (state_.serviceReportOpen) {
        out.ext |= ext::ServiceReportOpen;
    }
    if (state_.emergency) {
        out.ext |= ext::Emergency;
    }
    if (config_.linesPerSecond > 0 && !out.printed.empty()) {
        out.busy = std::chrono::milliseconds(static_cast<std::int64_t>(std::lround(
            static_cast<double>(out.printed.size()) * 1000.0 / config_.linesPerSecond)));
    }
}

} // namespace kasemu
