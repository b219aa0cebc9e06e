#include "GuiTestSupport.h"
#include "processor/ShippedFiles.h"
#include "ui/SettingsViewComponent.h"
#include "ui/audio/AudioTabComponent.h"

#include <thread>

// Where the programs and plug-ins find the files that ship with them, laid out in a temporary
// folder the way an installation, the two plug-in bundles and the build tree lay them out.
TEST (ShippedFiles, EachLayoutFindsItsOwnFilesBeforeTheBuildTree)
{
    TempFolder temp;
    const auto root = temp.get();

    struct Case
    {
        const char* layout;
        const char* binary;               // relative to the root
        std::vector<const char*> present; // files and folders that exist, relative to the root
        const char* name;                 // what is looked up
        const char* expected;             // relative to the root
    };
    const Case cases[] = {
        { "installed program: share/ beside bin/ wins over the build tree", "usr/bin/quorvane",
          { "usr/share/quorvane/samples/", "build/samples/" }, "samples", "usr/share/quorvane/samples" },
        { "installed program, manual", "usr/bin/quorvane",
          { "usr/share/quorvane/manual/manual.html", "build/manual/manual.html" }, "manual/manual.html",
          "usr/share/quorvane/manual/manual.html" },
        { "VST3 bundle: Contents/Resources beside Contents/<arch>", "Quorvane.vst3/Contents/x86_64-linux/Quorvane.so",
          { "Quorvane.vst3/Contents/Resources/manual/manual.html", "build/manual/manual.html" }, "manual/manual.html",
          "Quorvane.vst3/Contents/Resources/manual/manual.html" },
        { "LV2 bundle: one folder", "Quorvane.lv2/libQuorvane.so",
          { "Quorvane.lv2/manual/manual.html", "build/manual/manual.html" }, "manual/manual.html",
          "Quorvane.lv2/manual/manual.html" },
        { "share/ comes before the binary's own folder", "opt/bin/quorvane",
          { "opt/bin/samples/", "opt/share/quorvane/samples/" }, "samples", "opt/share/quorvane/samples" },
        { "build tree: only the development copy exists", "build/Quorvane_artefacts/Release/Standalone/Quorvane",
          { "build/samples/" }, "samples", "build/samples" },
        { "nothing anywhere: the installed place, where it is missing", "usr/bin/quorvane",
          {}, "samples", "usr/share/quorvane/samples" },
        { "a file of the wrong name does not count", "usr/bin/quorvane",
          { "usr/share/quorvane/manual/manual.md", "build/manual/manual.html" }, "manual/manual.html",
          "build/manual/manual.html" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.layout);
        const auto layoutRoot = root.getChildFile (juce::String ("layout-") + juce::String (&c - cases));
        const auto layoutBuild = layoutRoot.getChildFile ("build");
        for (const auto* path : c.present)
        {
            const juce::String relative (path);
            if (relative.endsWithChar ('/'))
                ASSERT_TRUE (layoutRoot.getChildFile (relative.dropLastCharacters (1)).createDirectory());
            else
                ASSERT_TRUE (layoutRoot.getChildFile (relative).create());
        }
        const auto found = ShippedFiles::locate (layoutRoot.getChildFile (c.binary), layoutBuild, c.name);
        EXPECT_EQ (found.getFullPathName(), layoutRoot.getChildFile (c.expected).getFullPathName());
    }
}

TEST (ShippedFiles, TheRunningBinaryIsThisTestProgram)
{
    // Linked into a program (not a plug-in library), the binary is the program itself.
    EXPECT_EQ (ShippedFiles::runningBinary().getFileName(), "quorvane_gui_tests");
    EXPECT_TRUE (ShippedFiles::runningBinary().existsAsFile());
}

TEST (ShippedFiles, ABuildTreeProgramFindsTheBuildsSamplesAndManual)
{
    // The build synthesises the samples and renders the manual into its own tree.
    EXPECT_TRUE (AudioTabComponent::defaultSamplesFolder().getChildFile ("Full_Drums_120.wav").existsAsFile());
    const auto manual = SettingsViewComponent::findManualUrl();
    ASSERT_TRUE (manual.isLocalFile());
    EXPECT_EQ (manual.getLocalFile().getFileName(), "manual.html");
    EXPECT_EQ (manual.getLocalFile().getParentDirectory().getFileName(), "manual");
    EXPECT_TRUE (manual.getLocalFile().existsAsFile());
    EXPECT_TRUE (manual.getLocalFile().loadFileAsString().contains ("<h1>"));
}
