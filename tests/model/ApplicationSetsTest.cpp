#include "support/SimFixture.h"

#include "model/ApplicationSets.h"

#include <algorithm>

namespace corv {
namespace {

using platform::ActivationPolicy;
using platform::RunningApplication;

Application app(const std::string& path, const std::string& name, const std::string& id) {
    return Application{Url::fileFromPath(path, "/"), name, id};
}

std::vector<Application> listed(const ApplicationSet& set) { return {set.begin(), set.end()}; }

class ApplicationSetsTest : public test::SimTest {
protected:
    RunningApplication& running(std::int32_t pid, std::optional<std::string> bundleId,
                                std::optional<std::string> bundlePath, std::optional<std::string> name,
                                std::optional<std::string> executable = std::nullopt,
                                ActivationPolicy policy = ActivationPolicy::Regular) {
        sim->workspace.apps.push_back(RunningApplication{pid, bundleId, bundlePath, name, executable, policy});
        return sim->workspace.apps.back();
    }
    ApplicationSets& sets() { return ApplicationSets::shared(); }
};

TEST_F(ApplicationSetsTest, RunningAppsGetIdNameAndUrlByTheirFallbacks) {
    running(1, "com.example.mail", "/Applications/Mail.app", "Mail");
    running(2, "", "/Applications/Tool.v2.app", "Tool");
    running(3, std::nullopt, std::nullopt, "daemon", "/usr/local/bin/daemon");
    running(4, std::nullopt, std::nullopt, "bare");
    running(5, std::nullopt, std::nullopt, "");
    running(6, std::nullopt, std::nullopt, std::nullopt, "/usr/bin/x");
    running(7, "com.example.agent", "/Applications/Agent.app", "Agent", std::nullopt, ActivationPolicy::Accessory);
    running(8, "com.example.helper", "/Applications/Helper.app", "Helper", std::nullopt, ActivationPolicy::Prohibited);
    // A second copy of the mail application collapses into the first.
    running(9, "com.example.mail", "/Applications/Mail.app", "Mail");

    scanRunningApps();
    EXPECT_EQ(listed(sets().runningApps), (std::vector<Application>{
                                              app("/Applications/Mail.app", "Mail", "com.example.mail"),
                                              app("/Applications/Tool.v2.app", "Tool.v2", "/Applications/Tool.v2.app"),
                                              app("/", "bare", "bare"),
                                              app("/usr/local/bin/daemon", "daemon", "daemon"),
                                          }));
    // The running-app scan alone leaves the union as it was.
    EXPECT_TRUE(sets().allApps.empty());
}

TEST_F(ApplicationSetsTest, AllAppsKeepsOneApplicationPerName) {
    sets().installedApps = {app("/Applications/Mail.app", "Mail", "com.example.mail"),
                            app("/Applications/Notes.app", "Notes", "com.example.notes")};
    running(1, "com.example.mail", "/Applications/Mail.app", "Mail");
    // Same name, other id: the installed one wins.
    running(2, "com.other.notes", "/opt/Notes.app", "Notes");
    // Two running copies at different paths: one of them.
    running(3, "com.example.zed", "/Applications/Zed.app", "Zed");
    running(4, "com.example.zed", "/Users/ann/Zed.app", "Zed");
    running(5, "com.example.term", "/Applications/Term.app", "Term");
    // A desktop entry goes by its Name, as installed.
    sets().installedApps.insert(app("/usr/share/applications/org.example.Edit.desktop", "Text Editor", "org.example.Edit"));
    running(6, "org.example.Edit", "/usr/share/applications/org.example.Edit.desktop", "Text Editor");

    refreshRunningApps();
    EXPECT_EQ(sets().runningApps.size(), 6u);
    EXPECT_EQ(sets().runningApps.count(app("/usr/share/applications/org.example.Edit.desktop", "Text Editor",
                                           "org.example.Edit")),
              1u);
    EXPECT_EQ(listed(sets().allApps), (std::vector<Application>{
                                          app("/Applications/Mail.app", "Mail", "com.example.mail"),
                                          app("/Applications/Notes.app", "Notes", "com.example.notes"),
                                          app("/Applications/Term.app", "Term", "com.example.term"),
                                          app("/usr/share/applications/org.example.Edit.desktop", "Text Editor",
                                              "org.example.Edit"),
                                          app("/Applications/Zed.app", "Zed", "com.example.zed"),
                                      }));
}

TEST_F(ApplicationSetsTest, OrderIsByNameThenIdThenUrl) {
    ApplicationSet set{app("/b/X.app", "X", "id.b"), app("/a/X.app", "X", "id.b"), app("/z/A.app", "A", "id.z"),
                       app("/c/X.app", "X", "id.a")};
    EXPECT_EQ(listed(set), (std::vector<Application>{app("/z/A.app", "A", "id.z"), app("/c/X.app", "X", "id.a"),
                                                     app("/a/X.app", "X", "id.b"), app("/b/X.app", "X", "id.b")}));
    // Equal records hash alike; the set keeps one.
    set.insert(app("/a/X.app", "X", "id.b"));
    EXPECT_EQ(set.size(), 4u);
    EXPECT_EQ(std::hash<Application>{}(app("/a/X.app", "X", "id.b")), std::hash<Application>{}(app("/a/X.app", "X", "id.b")));
}

TEST_F(ApplicationSetsTest, RefreshOffTheMainThreadLandsThroughTheMainQueue) {
    sets().installedApps = {app("/Applications/Mail.app", "Mail", "com.example.mail")};
    running(1, "com.example.term", "/Applications/Term.app", "Term");

    sim->background.run([] { refreshRunningApps(CallerThread::Background); });
    sim->background.runAll();
    EXPECT_TRUE(sets().runningApps.empty());
    EXPECT_TRUE(sets().allApps.empty());

    sim->runLoop.runPending();
    EXPECT_EQ(sets().runningApps.size(), 1u);
    EXPECT_EQ(sets().allApps.size(), 2u);
}

} // namespace
} // namespace corv
