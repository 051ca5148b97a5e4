#include "fakes/fakes.h"

#include "platform/posix/processerror.h"

#include <cerrno>

std::optional<std::string> RecordingProcessLauncher::runAndWait(
    const std::string& tool, const std::vector<std::string>& arguments) {
    std::vector<std::string> command{tool};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::string line = "$";
    for (const auto& part : command) {
        line += " " + part;
    }
    m_transcript.push_back(line);
    commands.push_back(std::move(command));
    if (missingTools.contains(tool)) {
        return describeStartFailure(tool, ENOENT);
    }
    return std::nullopt;
}

bool FakeWorkspace::openBundle(const std::string& bundlePath) {
    m_transcript.push_back("open " + bundlePath);
    return opensSucceed;
}

void FakeWorkspace::terminate(const RunningApplication& application) {
    m_transcript.push_back("terminate " + std::to_string(application.processId));
}

namespace {

class FakeSuite final : public PreferencesSuite {
public:
    FakeSuite(std::string name, std::map<std::string, std::string>& values, Transcript& transcript)
        : m_name(std::move(name)), m_values(values), m_transcript(transcript) {}
    void setString(const std::string& key, const std::string& value) override {
        m_values[key] = value;
        m_transcript.push_back(m_name + ": " + key + " = " + value);
    }
    void synchronize() override { m_transcript.push_back(m_name + ": synchronize"); }

private:
    std::string m_name;
    std::map<std::string, std::string>& m_values;
    Transcript& m_transcript;
};

class FakeStatusItem final : public StatusItem {
public:
    explicit FakeStatusItem(std::shared_ptr<FakeStatusItemState> state)
        : m_state(std::move(state)) {}
    bool hasButton() const override { return m_state->hasButton; }
    ScreenRect anchorRect() const override { return {1200, 0, 24, 24}; }
    void setButtonImage(const std::string& assetName) override { m_state->image = assetName; }
    void setButtonAction(std::function<void()> action) override {
        m_state->buttonAction = std::move(action);
    }
    void setMenu(Menu menu) override { m_state->menu = std::move(menu); }

private:
    std::shared_ptr<FakeStatusItemState> m_state;
};

class FakePopover final : public Popover {
public:
    explicit FakePopover(std::shared_ptr<FakePopoverState> state) : m_state(std::move(state)) {
        m_state->popover = this;
    }
    ~FakePopover() override { m_state->popover = nullptr; }
    FakePopover(const FakePopover&) = delete;
    FakePopover& operator=(const FakePopover&) = delete;

    void setTransient() override { m_state->transient = true; }
    void showAt(const ScreenRect& /*anchor*/) override { m_state->shown = true; }
    void performClose() override {
        ++m_state->closeCount;
        m_state->shown = false;
    }
    bool isShown() const override { return m_state->shown; }
    void setDismissHandler(std::function<void()> handler) override {
        m_state->dismissHandler = std::move(handler);
    }

private:
    std::shared_ptr<FakePopoverState> m_state;
};

}  // namespace

std::unique_ptr<PreferencesSuite> FakePreferencesStore::openSuite(const std::string& name) {
    if (!available) {
        return nullptr;
    }
    return std::make_unique<FakeSuite>(name, values[name], m_transcript);
}

std::unique_ptr<StatusItem> FakeStatusBar::makeStatusItem() {
    return std::make_unique<FakeStatusItem>(item);
}

void FakePopoverState::dismissByPlatform() {
    shown = false;
    if (dismissHandler) {
        dismissHandler();
    }
}

std::unique_ptr<Popover> FakePopoverFactory::makePopover() {
    auto state = std::make_shared<FakePopoverState>();
    made.push_back(state);
    return std::make_unique<FakePopover>(state);
}

std::unique_ptr<Popover> FakePopoverFactory::makeThreatPopover(ThreatPopoverModel model) {
    auto popover = makePopover();
    made.back()->threatView.emplace(std::move(model));
    return popover;
}

std::unique_ptr<Popover> FakePopoverFactory::makeUsbPopover(UsbPopoverModel model) {
    auto popover = makePopover();
    made.back()->usbView.emplace(std::move(model));
    return popover;
}
