#include <gtest/gtest.h>

#include <lilv/lilv.h>

#include "../params/ExpectedParameters.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// The built LV2 bundle's description as an LV2 host reads it (through lilv): the sidechain's
// ports are marked as a sidechain and every port and group says whether it is Audio 1, Audio 2
// or the output; every choice or switch parameter offers its entries at the values its range
// uses, 0 .. N-1, with the entries' own names; parameters carry their units and value types;
// the plug-in has a class and real maintainer links, and no preset goes without a name.

namespace
{
constexpr const char* kLv2 = "http://lv2plug.in/ns/lv2core#";
constexpr const char* kRdf = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
constexpr const char* kRdfs = "http://www.w3.org/2000/01/rdf-schema#";

struct WorldDeleter { void operator() (LilvWorld* w) const { lilv_world_free (w); } };
struct NodeDeleter { void operator() (LilvNode* n) const { lilv_node_free (n); } };
struct NodesDeleter { void operator() (LilvNodes* n) const { lilv_nodes_free (n); } };
using Node = std::unique_ptr<LilvNode, NodeDeleter>;
using Nodes = std::unique_ptr<LilvNodes, NodesDeleter>;

class Lv2Description : public ::testing::Test
{
protected:
    void SetUp() override
    {
        world.reset (lilv_world_new());
        const std::string bundleUri = std::string ("file://") + QV_LV2_BUNDLE + "/";
        Node bundle (lilv_new_uri (world.get(), bundleUri.c_str()));
        lilv_world_load_bundle (world.get(), bundle.get());
        Node pluginUri (lilv_new_uri (world.get(), QV_LV2_URI));
        plugin = lilv_plugins_get_by_uri (lilv_world_get_all_plugins (world.get()), pluginUri.get());
        ASSERT_NE (plugin, nullptr) << "the bundle does not describe " << QV_LV2_URI;
        // Reads the plug-in's data files (dsp.ttl) into the world for the queries below.
        lilv_world_load_resource (world.get(), pluginUri.get());
    }

    Node uri (const std::string& base, const char* name) { return Node (lilv_new_uri (world.get(), (base + name).c_str())); }

    std::unique_ptr<LilvWorld, WorldDeleter> world;
    const LilvPlugin* plugin = nullptr;
};

struct ScalePoint
{
    std::string label;
    float value;
};

} // namespace

TEST_F (Lv2Description, OnlyTheSidechainPortsAreMarkedAsSidechain)
{
    const auto isSideChain = uri (kLv2, "isSideChain");
    const auto audioPort = uri (kLv2, "AudioPort");
    const auto inputPort = uri (kLv2, "InputPort");
    std::vector<std::string> marked, unmarked;
    for (uint32_t i = 0; i < lilv_plugin_get_num_ports (plugin); ++i)
    {
        const LilvPort* port = lilv_plugin_get_port_by_index (plugin, i);
        if (! lilv_port_is_a (plugin, port, audioPort.get()) || ! lilv_port_is_a (plugin, port, inputPort.get()))
            continue;
        const std::string symbol = lilv_node_as_string (lilv_port_get_symbol (plugin, port));
        (lilv_port_has_property (plugin, port, isSideChain.get()) ? marked : unmarked).push_back (symbol);
    }
    EXPECT_EQ (marked, (std::vector<std::string> { "audio_in_3", "audio_in_4" }));
    EXPECT_EQ (unmarked, (std::vector<std::string> { "audio_in_1", "audio_in_2" }));
}

TEST_F (Lv2Description, ChoiceParametersOfferTheirEntriesAtTheirIndices)
{
    const auto scalePoint = uri (kLv2, "scalePoint");
    const auto label = uri (kRdfs, "label");
    const auto value = uri (kRdf, "value");
    const std::string pluginUri = QV_LV2_URI;

    std::set<std::string> checked;
    for (const auto& parameter : expectedParameters())
    {
        if (parameter.choices.empty())
            continue;
        SCOPED_TRACE (parameter.id);
        // The framework names a parameter's subject after the plug-in and its identifier.
        const auto subject = uri (pluginUri + ":", parameter.id);
        Nodes points (lilv_world_find_nodes (world.get(), subject.get(), scalePoint.get(), nullptr));
        ASSERT_NE (points, nullptr);

        std::vector<ScalePoint> found;
        LILV_FOREACH (nodes, it, points.get())
        {
            const LilvNode* point = lilv_nodes_get (points.get(), it);
            Node l (lilv_world_get (world.get(), point, label.get(), nullptr));
            Node v (lilv_world_get (world.get(), point, value.get(), nullptr));
            ASSERT_TRUE (l != nullptr && v != nullptr);
            found.push_back ({ lilv_node_as_string (l.get()), lilv_node_as_float (v.get()) });
        }
        ASSERT_EQ (found.size(), parameter.choices.size());
        for (size_t k = 0; k < parameter.choices.size(); ++k)
        {
            // The host may hand the points back in any order: find the entry by its name.
            const auto match = std::find_if (found.begin(), found.end(),
                                             [&] (const ScalePoint& p) { return p.label == parameter.choices[k]; });
            ASSERT_NE (match, found.end()) << parameter.choices[k];
            EXPECT_EQ (match->value, (float) k) << parameter.choices[k];
        }
        checked.insert (parameter.id);
    }
    for (const char* id : { "mode", "direction", "seqBars", "seqDiv", "seqBars2", "seqDiv2", "mod2Target" })
        EXPECT_EQ (checked.count (id), 1u) << id;
}

TEST_F (Lv2Description, PortsAndGroupsSayWhichIsAudioOneAndWhichTheSidechain)
{
    struct Expected { const char* symbol; const char* name; };
    const Expected ports[] = {
        { "audio_in_1", "Audio 1 Left" },  { "audio_in_2", "Audio 1 Right" },
        { "audio_in_3", "Audio 2 (Sidechain) Left" }, { "audio_in_4", "Audio 2 (Sidechain) Right" },
        { "audio_out_1", "Output Left" }, { "audio_out_2", "Output Right" },
    };
    for (const auto& expected : ports)
    {
        Node symbol (lilv_new_string (world.get(), expected.symbol));
        const LilvPort* port = lilv_plugin_get_port_by_symbol (plugin, symbol.get());
        ASSERT_NE (port, nullptr) << expected.symbol;
        Node name (lilv_port_get_name (plugin, port));
        ASSERT_NE (name, nullptr) << expected.symbol;
        EXPECT_STREQ (lilv_node_as_string (name.get()), expected.name) << expected.symbol;
    }

    const std::string pluginUri = QV_LV2_URI;
    const auto lv2Name = uri (kLv2, "name");
    const auto sideChainOf = uri ("http://lv2plug.in/ns/ext/port-groups#", "sideChainOf");
    const auto groupName = [&] (const char* symbol) {
        Node name (lilv_world_get (world.get(), uri (pluginUri + ":", symbol).get(), lv2Name.get(), nullptr));
        return name == nullptr ? std::string ("(none)") : std::string (lilv_node_as_string (name.get()));
    };
    EXPECT_EQ (groupName ("input_group_1"), "Audio 1");
    EXPECT_EQ (groupName ("input_group_2"), "Audio 2 (Sidechain)");
    EXPECT_EQ (groupName ("output_group_1"), "Output");
    Node mainOfSidechain (lilv_world_get (world.get(), uri (pluginUri + ":", "input_group_2").get(),
                                          sideChainOf.get(), nullptr));
    ASSERT_NE (mainOfSidechain, nullptr);
    EXPECT_EQ (std::string (lilv_node_as_uri (mainOfSidechain.get())), pluginUri + ":input_group_1");
}

TEST_F (Lv2Description, ThePluginHasAClassAndItsMaintainerRealLinks)
{
    // The class as the description states it (the host's list of classes comes from the LV2
    // vocabulary bundles installed with LV2, which this test does not load).
    Node pluginUri (lilv_new_uri (world.get(), QV_LV2_URI));
    EXPECT_TRUE (lilv_world_ask (world.get(), pluginUri.get(), uri (kRdf, "type").get(),
                                 uri (kLv2, "ModulatorPlugin").get()));

    Node email (lilv_plugin_get_author_email (plugin));
    Node homepage (lilv_plugin_get_author_homepage (plugin));
    ASSERT_NE (email, nullptr);
    ASSERT_NE (homepage, nullptr);
    EXPECT_STREQ (lilv_node_as_uri (email.get()), "mailto:developers@quorvane.org");
    EXPECT_STREQ (lilv_node_as_uri (homepage.get()), "https://quorvane.org");
}

TEST_F (Lv2Description, EveryPresetTheBundleListsHasAName)
{
    // The framework would list its single, nameless and inert program as a preset.
    const auto presetClass = uri ("http://lv2plug.in/ns/ext/presets#", "Preset");
    const auto label = uri (kRdfs, "label");
    Nodes presets (lilv_plugin_get_related (plugin, presetClass.get()));
    LILV_FOREACH (nodes, it, presets.get())
    {
        const LilvNode* preset = lilv_nodes_get (presets.get(), it);
        lilv_world_load_resource (world.get(), preset);
        Node name (lilv_world_get (world.get(), preset, label.get(), nullptr));
        ASSERT_NE (name, nullptr) << lilv_node_as_uri (preset);
        EXPECT_STRNE (lilv_node_as_string (name.get()), "") << lilv_node_as_uri (preset);
    }
}

TEST_F (Lv2Description, ParametersCarryTheirUnitsAndValueTypes)
{
    // LV2 hosts take a property's value type from its range: a toggle for a Bool, steps for an
    // Int; and its unit from the units vocabulary.
    const std::string atom = "http://lv2plug.in/ns/ext/atom#";
    const std::string units = "http://lv2plug.in/ns/extensions/units#";
    const std::map<std::string, std::string> unitNames = {
        { "Hz", "hz" }, { "dB", "db" }, { "ms", "ms" }, { "%", "pc" },
    };
    const auto range = uri (kRdfs, "range");
    const auto unit = uri (units, "unit");
    const std::string pluginUri = QV_LV2_URI;
    for (const auto& parameter : expectedParameters())
    {
        SCOPED_TRACE (parameter.id);
        const auto subject = uri (pluginUri + ":", parameter.id);
        using K = ExpectedParameter::Kind;
        const bool whole = parameter.kind == K::Choice || parameter.wholeSteps;
        const std::string type = parameter.kind == K::Switch ? "Bool" : whole ? "Int" : "Float";
        Node rangeNode (lilv_world_get (world.get(), subject.get(), range.get(), nullptr));
        ASSERT_NE (rangeNode, nullptr);
        EXPECT_EQ (std::string (lilv_node_as_uri (rangeNode.get())), atom + type);

        Node unitNode (lilv_world_get (world.get(), subject.get(), unit.get(), nullptr));
        if (parameter.unit == nullptr)
        {
            EXPECT_EQ (unitNode, nullptr);
        }
        else
        {
            ASSERT_NE (unitNode, nullptr) << parameter.unit;
            EXPECT_EQ (std::string (lilv_node_as_uri (unitNode.get())), units + unitNames.at (parameter.unit));
        }
    }
}
