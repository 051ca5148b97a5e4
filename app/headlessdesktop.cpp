#include "headlessdesktop.h"

namespace {

class HiddenPopover final : public Popover {
public:
    void setTransient() override {}
    void setContent(std::unique_ptr<PopoverContent> content) override {
        m_content = std::move(content);
    }
    void showRelativeTo(StatusItem& /*anchor*/) override {}
    void performClose() override {}
    bool isShown() const override { return false; }
    void setDismissHandler(std::function<void()> /*handler*/) override {}

private:
    std::unique_ptr<PopoverContent> m_content;
};

}  // namespace

std::unique_ptr<Popover> HeadlessDesktop::makePopover() {
    return std::make_unique<HiddenPopover>();
}

std::unique_ptr<PopoverContent> HeadlessDesktop::makeRealTimeProtectionView(
    RealTimeProtectionViewInputs /*inputs*/) {
    return std::make_unique<PopoverContent>();
}

std::unique_ptr<PopoverContent> HeadlessDesktop::makeUsbProtectionView(
    UsbProtectionViewInputs /*inputs*/) {
    return std::make_unique<PopoverContent>();
}
