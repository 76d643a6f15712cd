// The graphic logo: switching its printing on and off, and loading a new one in raw blocks.
#include <algorithm>
#include <memory>
#include <span>

#include "model/CommandContext.h"
#include "model/CommandGroups.h"
#include "model/Fiscal.h"
#include "model/LogoImage.h"

namespace kasemu {

namespace {

constexpr std::size_t kBlockSize = 64;

// Collects the raw blocks of one logo; the logo is the register's once all of it came.
void acceptLogoBlock(const std::shared_ptr<Logo>& pending, CommandContext& ctx,
                     std::span<const std::uint8_t> block) {
    const std::size_t expected = std::size_t{pending->width} / 8 * pending->height;
    const std::size_t room = expected - std::min(expected, pending->rows.size());
    pending->rows.insert(pending->rows.end(), block.begin(),
                         block.begin() + static_cast<std::ptrdiff_t>(std::min(room, block.size())));
    if (pending->rows.size() == expected) {
        ctx.out.rawComplete = true;
        ctx.st.logo = *pending;
        ctx.st.programming.logoEnabled = true;
        ctx.out.logoLoaded = true;
        ctx.changed();
    }
}

// 0x2D: password, on (1) or off (0), width and height in dots. A width and height announce a
// new logo whose rows follow in raw blocks of 64 bytes; 0 and 0 only switch printing.
void logo(CommandContext& ctx) {
    if (!ctx.expectLength(7)) {
        return;
    }
    const std::uint16_t password = ctx.in.u16();
    const std::uint8_t on = ctx.in.u8();
    const std::uint16_t width = ctx.in.u16();
    const std::uint16_t height = ctx.in.u16();
    if (on > 1 || (on == 0 && (width != 0 || height != 0))) {
        ctx.forbid();
        return;
    }
    if (!ctx.password(kProgrammingOperator, password)) {
        return;
    }
    if (width == 0 && height == 0) {
        ctx.st.programming.logoEnabled = on != 0;
        ctx.changed();
        return;
    }
    const LogoLimits limits = logoLimits(ctx.st.identity.model);
    if (width < 8 || width % 8 != 0 || width > limits.width || height == 0 ||
        height > limits.height) {
        ctx.refuse(result::LogoError);
        return;
    }
    if (refuseWhenDocumentOpen(ctx)) {
        return;
    }
    auto pending = std::make_shared<Logo>();
    pending->width = width;
    pending->height = height;
    pending->rows.reserve(std::size_t{width} / 8 * height);
    ctx.out.raw = RawTransfer{std::size_t{width} / 8 * height, kBlockSize};
    ctx.model.setRawHandler([pending](CommandContext& c, std::span<const std::uint8_t> block) {
        acceptLogoBlock(pending, c, block);
    });
}

} // namespace

void addLogoCommands(Model& m) {
    m.addCommand(0x2D, logo);
}

} // namespace kasemu
