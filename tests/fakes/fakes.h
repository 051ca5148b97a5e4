#pragma once

#include "agent/popoverfactory.h"
#include "platform/ports/console.h"
#include "platform/ports/popover.h"
#include "platform/ports/preferencessuite.h"
#include "platform/ports/processlauncher.h"
#include "platform/ports/statusbar.h"
#include "platform/ports/workspace.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

// What the agent did, in order: printed lines as they are, tool runs as "$ tool arg arg".
using Transcript = std::vector<std::string>;

class CapturedConsole final : public Console {
public:
    explicit CapturedConsole(Transcript& transcript) : m_transcript(transcript) {}
    void printLine(std::string_view line) override { m_transcript.emplace_back(line); }

private:
    Transcript& m_transcript;
};

// Records every command line; tools listed in `missingTools` fail to start.
class RecordingProcessLauncher final : public ProcessLauncher {
public:
    explicit RecordingProcessLauncher(Transcript& transcript) : m_transcript(transcript) {}
    std::optional<std::string> runAndWait(const std::string& tool,
                                          const std::vector<std::string>& arguments) override;

    std::vector<std::vector<std::string>> commands;
    std::set<std::string> missingTools;

private:
    Transcript& m_transcript;
};

class FakeWorkspace final : public Workspace {
public:
    explicit FakeWorkspace(Transcript& transcript) : m_transcript(transcript) {}
    bool openBundle(const std::string& bundlePath) override;
    std::vector<RunningApplication> runningApplications() override { return running; }
    void terminate(const RunningApplication& application) override;

    std::vector<RunningApplication> running;
    bool opensSucceed = true;

private:
    Transcript& m_transcript;
};

// An in-memory preferences store; writes go to the transcript as "suite: key = value".
class FakePreferencesStore final : public PreferencesStore {
public:
    explicit FakePreferencesStore(Transcript& transcript) : m_transcript(transcript) {}
    std::unique_ptr<PreferencesSuite> openSuite(const std::string& name) override;

    bool available = true;
    std::map<std::string, std::map<std::string, std::string>> values;

private:
    Transcript& m_transcript;
};

struct FakeStatusItemState {
    bool hasButton = true;
    std::optional<std::string> image;
    std::function<void()> buttonAction;
    std::optional<Menu> menu;
};

class FakeStatusBar final : public StatusBar {
public:
    std::unique_ptr<StatusItem> makeStatusItem() override;
    bool menuHostsWidgets() const override { return hostsWidgets; }

    bool hostsWidgets = true;
    std::shared_ptr<FakeStatusItemState> item = std::make_shared<FakeStatusItemState>();
};

// What happened to one popover; outlives the popover so tests can look after it is released.
struct FakePopoverState {
    bool transient = false;
    bool shown = false;
    int closeCount = 0;
    std::optional<ThreatPopoverModel> threatView;
    std::optional<UsbPopoverModel> usbView;
    std::function<void()> dismissHandler;
    Popover* popover = nullptr;

    // The user clicks outside: the platform closes the popover and tells the agent.
    void dismissByPlatform();
};

// Popovers whose views are the models they were given.
class FakePopoverFactory final : public PopoverFactory {
public:
    std::unique_ptr<Popover> makePopover() override;
    std::unique_ptr<Popover> makeThreatPopover(ThreatPopoverModel model) override;
    std::unique_ptr<Popover> makeUsbPopover(UsbPopoverModel model) override;

    std::vector<std::shared_ptr<FakePopoverState>> made;
};
