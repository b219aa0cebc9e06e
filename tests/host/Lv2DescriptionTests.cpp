#include <gtest/gtest.h>

#include <lilv/lilv.h>

#include "../params/ExpectedParameters.h"

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

// The built LV2 bundle's description as an LV2 host reads it (through lilv): the sidechain's
// ports are marked as a sidechain, and every choice or switch parameter offers its entries at
// the values its range uses, 0 .. N-1, with the entries' own names.

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
