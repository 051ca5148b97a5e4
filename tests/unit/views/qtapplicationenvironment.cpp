#include <QApplication>

#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace {

// One QApplication for the whole run of widget tests, drawing offscreen unless told otherwise.
class QtApplicationEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        m_application = std::make_unique<QApplication>(m_argc, m_argv.data());
    }
    void TearDown() override { m_application.reset(); }

private:
    char m_name[12] = "views_tests";
    int m_argc = 1;
    std::array<char*, 2> m_argv{m_name, nullptr};
    std::unique_ptr<QApplication> m_application;
};

[[maybe_unused]] auto* const environment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
