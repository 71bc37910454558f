#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "platform/simulated/scenario.h"
#include "tests/support/hostile_scenarios.h"

namespace paravue::simulated {
namespace {

std::string ErrorOf(std::string_view json) {
    try {
        ParseScenario(json, "test.json");
    } catch (const ScenarioError& e) {
        return e.what();
    }
    return "(no error)";
}

Scenario Parse(std::string_view json) {
    return ParseScenario(json, "test.json");
}

struct ErrorCase {
    const char* json;
    const char* message;  // the whole message, or its start when it ends in "..."
};

void ExpectErrors(std::initializer_list<ErrorCase> cases) {
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.json);
        std::string expected = c.message;
        std::string actual = ErrorOf(c.json);
        if (expected.ends_with("...")) {
            expected.resize(expected.size() - 3);
            EXPECT_EQ(actual.substr(0, expected.size()), expected);
        } else {
            EXPECT_EQ(actual, expected);
        }
    }
}

TEST(ScenarioLoaderErrors, MalformedJsonGivesLineAndColumn) {
    ExpectErrors({
        {"{\n  \"interfaces\": [\n    {,}\n  ]\n}", "test.json:3:6: syntax error..."},
        {"", "test.json:1:1: syntax error while parsing value - unexpected end of input..."},
        {"{\"interfaces\": [{}]", "test.json:1:20: syntax error..."},
        {"{}\n x", "test.json:2:2: syntax error..."},
        // Columns count characters, not bytes: "é" is two bytes.
        {"{\"é\": x}", "test.json:1:7: syntax error..."},
        {"{\"a\": \"\\ud800\"}", "test.json:1:14: syntax error..."},
    });
}

TEST(ScenarioLoaderErrors, WrongTypesNameThePath) {
    ExpectErrors({
        {"[]", "test.json: at the top level: expected an object, found array"},
        {R"({"interfaces": [{"signal": {"strength": "strong"}}]})",
         "test.json: at interfaces[0].signal.strength: expected an integer or a hex string such "
         "as \"0x80000021\", found \"strong\""},
        {R"({"interfaces": [{"signal": {"strength": 1.5}}]})",
         "test.json: at interfaces[0].signal.strength: expected an integer from -2147483648 to "
         "4294967295, found 1.5"},
        {R"({"interfaces": [{"interfaceId": 7}]})",
         "test.json: at interfaces[0].interfaceId: expected a string or null, found number"},
        {R"({"interfaces": {"lbound": 1, "items": {}}})",
         "test.json: at interfaces.items: expected a list, found object"},
        {R"({"interfaces": "none"})",
         "test.json: at interfaces: expected a list or {\"lbound\": N, \"items\": [...]}, found "
         "string"},
        {R"({"interfaces": [{"subscriber": []}]})",
         "test.json: at interfaces[0].subscriber: expected an object, found array"},
        {R"({"interfaces": [{"emergencyMode": "yes"}]})",
         "test.json: at interfaces[0].emergencyMode: expected an integer or a hex string..."},
        {R"({"adapters": [{"name": 5}]})",
         "test.json: at adapters[0].name: expected a string, found number"},
        {R"({"interfaceManager": []})",
         "test.json: at interfaceManager: expected an object, found array"},
    });
}

TEST(ScenarioLoaderErrors, UnknownKeysAreRejectedWhereverTheySit) {
    ExpectErrors({
        {R"({"interface": []})", "test.json: at interface: unknown key"},
        {R"({"interfaces": [{"registration": {"registerStat": 3}}]})",
         "test.json: at interfaces[0].registration.registerStat: unknown key"},
        // A failure form takes nothing but "hr" and "value".
        {R"({"interfaces": [{"signal": {"hr": "0x80004005", "strength": 1}}]})",
         "test.json: at interfaces[0].signal.strength: unknown key"},
        {R"({"interfaces": [{"subscriber": {"telephoneNumbers": [{"hr": "0x80004005", "value": "1"}]}}]})",
         "test.json: at interfaces[0].subscriber.telephoneNumbers[0].value: unknown key"},
        {R"({"interfaces": {"items": [], "ubound": 3}})",
         "test.json: at interfaces.ubound: unknown key"},
        {R"({"interfaceManager": {"x": 1}})", "test.json: at interfaceManager.x: unknown key"},
        {R"({"events": [{"event": "OnRegisterStateChange", "delay": 5}]})",
         "test.json: at events[0].delay: unknown key"},
    });
}

TEST(ScenarioLoaderErrors, DuplicateKeysAndDeepNesting) {
    ExpectErrors({
        {R"({"interfaces": [], "interfaces": [{}]})", "test.json: at interfaces: duplicate key"},
        {R"({"interfaces": [{}, {"signal": {"strength": 1, "error": 2, "strength": 3}}]})",
         "test.json: at interfaces[1].signal.strength: duplicate key"},
        {R"({"interfaces": [[], {"a": [1, {"b": 1}]}, {"readyState": 1, "readyState": 2}]})",
         "test.json: at interfaces[2].readyState: duplicate key"},
    });
    std::string deep = R"({"interfaces": )" + std::string(100000, '[');
    EXPECT_EQ(
        ErrorOf(deep), "test.json: at interfaces" + std::string(".ignored", 0) + [] {
            std::string path;
            for (int i = 0; i < 63; ++i)
                path += "[0]";
            return path;
        }() + ": nested more than 64 levels deep");
    // Nesting is bounded long before the parser's own limits.
    std::string deepPath = "interfaces";
    for (int level = 1; level < 64; ++level)
        deepPath += "[0]";
    EXPECT_EQ(ErrorOf(R"({"interfaces": )" + std::string(100000, '[')),
              "test.json: at " + deepPath + ": nested more than 64 levels deep");
    // The same key in sibling objects is fine.
    EXPECT_EQ(Parse(R"({"interfaces": [{"readyState": 1}, {"readyState": 2}]})")
                  .interfaces.value.items.size(),
              2u);
}

// Shapes that cost the most for their size: refused at the size bound where
// they cross another bound, or loaded. The ones that load are built small
// here (under the sanitizers a large one only takes longer);
// tests/benchmark/scenario_load_benchmark loads them at full size and prints
// what each costs.
TEST(ScenarioLoaderErrors, HostileShapesLoadOrAreRefused) {
    for (const hostile::Shape& shape : hostile::Shapes()) {
        SCOPED_TRACE(shape.name);
        std::string text = shape.make(*shape.refusal ? kMaxScenarioBytes : 1 << 16);
        ASSERT_LE(text.size(), kMaxScenarioBytes);
        std::string error = ErrorOf(text);
        if (*shape.refusal)
            EXPECT_TRUE(error.starts_with("test.json: at ") && error.ends_with(shape.refusal))
                << error;
        else
            EXPECT_EQ(error, "(no error)");
    }
}

// Each bound holds exactly: the file past it is refused where it crosses it,
// the file at it parses (and fails later, on what it holds).
TEST(ScenarioLoaderErrors, BoundsHoldExactly) {
    auto zeros = [](std::size_t count) {
        std::string list = "[";
        for (std::size_t i = 0; i < count; ++i)
            list += i ? ",0" : "0";
        return list + "]";
    };
    // The top-level object and the list of "interfaces", then lists of zeros.
    auto values = [&](std::size_t count) {
        std::string text = R"({"interfaces": [)";
        for (count -= 2; count > 0;) {
            std::size_t items = std::min(count - 1, kMaxListItems);
            text += zeros(items) + (count > items + 1 ? "," : "");
            count -= items + 1;
        }
        return text + "]}";
    };
    ExpectErrors({
        {zeros(kMaxListItems).c_str(),
         "test.json: at the top level: expected an object, found array"},
        {zeros(kMaxListItems + 1).c_str(),
         "test.json: at the top level: more than 10000 items in one list"},
    });
    EXPECT_EQ(ErrorOf(values(kMaxScenarioValues)),
              "test.json: at interfaces[0]: expected an object, found array");
    EXPECT_EQ(ErrorOf(values(kMaxScenarioValues + 1)),
              "test.json: at interfaces[49][9948]: more than 500000 values in the file");
}

TEST(ScenarioLoaderErrors, NumbersOutOfRange) {
    ExpectErrors({
        {R"({"interfaces": [{"registration": {"registerState": 4294967296}}]})",
         "test.json: at interfaces[0].registration.registerState: out of range: expected an "
         "integer from -2147483648 to 4294967295"},
        {R"({"interfaces": [{"signal": {"error": -2147483649}}]})",
         "test.json: at interfaces[0].signal.error: out of range..."},
        {R"({"interfaces": [{"signal": {"error": "0x100000000"}}]})",
         "test.json: at interfaces[0].signal.error: out of range..."},
        {R"({"interfaces": [{"signal": {"error": "0x1000000000000000000"}}]})",
         "test.json: at interfaces[0].signal.error: out of range..."},
        {R"({"interfaces": [{"signal": {"error": 18446744073709551616}}]})",
         "test.json: at interfaces[0].signal.error: expected an integer..."},
        {R"({"interfaces": [{"emergencyMode": 65536}]})",
         "test.json: at interfaces[0].emergencyMode: out of range: expected an integer from "
         "-32768 to 65535"},
        {R"({"interfaces": [{"emergencyMode": -32769}]})",
         "test.json: at interfaces[0].emergencyMode: out of range..."},
        {R"({"events": [{"event": "OnInterfaceArrival", "afterMs": -1}]})",
         "test.json: at events[0].afterMs: out of range: expected an integer from 0 to 4294967295"},
        {R"({"interfaces": [{"readyState": "0xZZ"}]})",
         "test.json: at interfaces[0].readyState: expected an integer or a hex string..."},
        // The upper bound of the array must stay a 32-bit signed number.
        {R"({"interfaces": {"lbound": 2147483647, "items": [{}, {}]}})",
         "test.json: at interfaces.lbound: the lower bound leaves no room for the items..."},
    });
}

TEST(ScenarioLoaderErrors, StatusesThatCannotMeanWhatIsWritten) {
    ExpectErrors({
        {R"({"interfaces": [{"readyState": {"hr": "0x80004005", "value": 1}}]})",
         "test.json: at interfaces[0].readyState.value: a failing status hands out no value..."},
        {R"({"interfaces": [{"subscriber": {"telephoneNumbers": [{"hr": 1}]}}]})",
         "test.json: at interfaces[0].subscriber.telephoneNumbers[0].hr: an element fault must "
         "be a failure status"},
        {R"({"interfaces": {"items": [], "lboundHr": 0}})",
         "test.json: at interfaces.lboundHr: a bound fault must be a failure status"},
        {R"({"interfaces": [{"readyState": {"hr": "nope"}}]})",
         "test.json: at interfaces[0].readyState.hr: expected an integer or a hex string..."},
    });
}

TEST(ScenarioLoaderErrors, EventsAndPatches) {
    ExpectErrors({
        {R"({"events": {}})", "test.json: at events: expected a list, found object"},
        {R"({"events": [{"afterMs": 5}]})", "test.json: at events[0]: missing \"event\""},
        {R"({"events": [{"event": "OnSignalChange"}]})",
         "test.json: at events[0].event: unknown event \"OnSignalChange\"; expected one of "
         "OnInterfaceArrival, OnInterfaceRemoval, OnRegisterModeAvailable, "
         "OnRegisterStateChange, OnPacketServiceStateChange, OnSetRegisterModeComplete"},
        {R"({"events": [{"event": "OnInterfaceArrival", "patch": [1]}]})",
         "test.json: at events[0].patch: a patch is an object, found array"},
        {R"({"events": [{"event": "OnInterfaceArrival", "patch": {"events": null}}]})",
         "test.json: at events[0].patch.events: a patch cannot change the events"},
        // Validated at load time, in the state the earlier patches left.
        {R"({"interfaces": [{"signal": {"strength": 3}}],
             "events": [{"event": "OnRegisterStateChange", "patch": {"adapters": []}},
                        {"event": "OnRegisterStateChange",
                         "patch": {"interfaces": [{"signal": {"strength": "x"}}]}}]})",
         "test.json: at events[1].patch: the patched scenario is invalid at "
         "interfaces[0].signal.strength: expected an integer or a hex string..."},
        {R"({"events": [{"event": "OnRegisterStateChange", "patch": {"interfacs": []}}]})",
         "test.json: at events[0].patch: the patched scenario is invalid at interfacs: unknown "
         "key"},
        // A patch is checked by what it touches; these touch one key and break its neighbours.
        {R"({"interfaces": {"items": [{}, {}]},
             "events": [{"event": "OnInterfaceArrival",
                         "patch": {"interfaces": {"lbound": 2147483647}}}]})",
         "test.json: at events[0].patch: the patched scenario is invalid at interfaces.lbound: "
         "the lower bound leaves no room for the items..."},
        {R"({"connectionManager": {"connections": {"hr": "0x1", "value": []}},
             "events": [{"event": "OnInterfaceArrival",
                         "patch": {"connectionManager": {"connections": {"hr": "0x80004005"}}}}]})",
         "test.json: at events[0].patch: the patched scenario is invalid at "
         "connectionManager.connections.value: a failing status hands out no value..."},
        {R"({"interfaces": {"hr": "0x1", "value": [{}]},
             "events": [{"event": "OnInterfaceArrival", "patch": {"interfaces": {"hr": null}}}]})",
         "test.json: at events[0].patch: the patched scenario is invalid at interfaces.value: "
         "unknown key"},
        {R"({"interfaces": {"items": [{}]},
             "events": [{"event": "OnInterfaceArrival",
                         "patch": {"interfaces": {"hr": "0x80004005"}}}]})",
         "test.json: at events[0].patch: the patched scenario is invalid at interfaces.items: "
         "unknown key"},
    });
}

TEST(ScenarioLoaderValues, OmittedFieldsTakeTheirZeroValue) {
    Scenario s = Parse(R"({"interfaces": [{}]})");
    EXPECT_FALSE(s.interfaceManager.Failed());
    ASSERT_EQ(s.interfaces.value.items.size(), 1u);
    EXPECT_EQ(s.interfaces.value.lowerBound, 0);
    const Interface& i = s.interfaces.value.items[0].value;
    EXPECT_EQ(i.interfaceId.value, u"");  // empty, not null
    EXPECT_EQ(i.capabilities.value.manufacturer, u"");
    EXPECT_EQ(i.capabilities.value.dataClass, 0u);
    EXPECT_EQ(i.subscriber.value.simIccId.value, u"");
    EXPECT_TRUE(i.subscriber.value.telephoneNumbers.value.items.empty());
    EXPECT_EQ(i.registration.value.registerState.value, MBN_REGISTER_STATE_NONE);
    EXPECT_EQ(i.connection.value.connectionState.value.profileName, u"");
    EXPECT_EQ(i.readyState.status, S_OK);
    // Without "connectionManager" the connections follow the interfaces; with an
    // empty one there are none.
    EXPECT_FALSE(s.connectionManager.value.connections.has_value());
    Scenario listed = Parse(R"({"connectionManager": {}})");
    ASSERT_TRUE(listed.connectionManager.value.connections.has_value());
    EXPECT_TRUE(listed.connectionManager.value.connections->value.items.empty());
    EXPECT_FALSE(s.adapters.has_value());
    EXPECT_TRUE(Parse("{}").interfaces.value.items.empty());
}

TEST(ScenarioLoaderValues, NumbersKeepTheirBits) {
    Scenario s = Parse(R"({"interfaces": [{
        "capabilities": {"dataClass": "0x80000021", "cellularClass": 4294967295,
                         "voiceClass": -2147483648, "smsCaps": "0X1f"},
        "signal": {"strength": -1, "error": "0x00000000000000FF"},
        "readyState": 7}]})");
    const Interface& i = s.interfaces.value.items[0].value;
    EXPECT_EQ(i.capabilities.value.dataClass, 0x80000021u);
    EXPECT_EQ(i.capabilities.value.cellularClass, static_cast<MBN_CELLULAR_CLASS>(-1));
    EXPECT_EQ(static_cast<std::int32_t>(i.capabilities.value.voiceClass), INT32_MIN);
    EXPECT_EQ(i.capabilities.value.smsCaps, 0x1Fu);
    EXPECT_EQ(i.signal.value.strength.value, 0xFFFFFFFFu);
    EXPECT_EQ(i.signal.value.error.value, 0xFFu);
    EXPECT_EQ(i.readyState.value, MBN_READY_STATE_DEVICE_BLOCKED);
}

TEST(ScenarioLoaderValues, EmergencyModeIsSixteenBits) {
    struct {
        const char* written;
        VARIANT_BOOL read;
    } cases[] = {{"true", -1},  {"false", 0},           {"-1", -1},           {"0", 0}, {"1", 1},
                 {"65535", -1}, {"\"0x7fff\"", 0x7FFF}, {"-32768", INT16_MIN}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.written);
        Scenario s =
            Parse(std::string(R"({"interfaces": [{"emergencyMode": )") + c.written + "}]}");
        EXPECT_EQ(s.interfaces.value.items[0].value.emergencyMode.value, c.read);
    }
}

TEST(ScenarioLoaderValues, StringsMayBeNullOrHoldAnyText) {
    Scenario s = Parse(R"({"interfaces": [{
        "interfaceId": null,
        "capabilities": {"model": "a\u0000b", "manufacturer": "Ünï 😀"},
        "subscriber": {"telephoneNumbers": [null, ""]}}]})");
    const Interface& i = s.interfaces.value.items[0].value;
    EXPECT_FALSE(i.interfaceId.value.has_value());
    EXPECT_EQ(i.capabilities.value.model, std::u16string(u"a\0b", 3));
    EXPECT_EQ(i.capabilities.value.manufacturer, u"Ünï 😀");
    const auto& numbers = i.subscriber.value.telephoneNumbers.value.items;
    ASSERT_EQ(numbers.size(), 2u);
    EXPECT_FALSE(numbers[0].value.has_value());
    EXPECT_EQ(numbers[1].value, u"");
}

TEST(ScenarioLoaderValues, FailuresAndSuccessCodes) {
    Scenario s = Parse(R"({
        "interfaceManager": {"hr": "0x80040154"},
        "interfaces": [{"readyState": {"hr": "0x1", "value": 1},
                        "signal": {"hr": 2147500037},
                        "subscriber": {"simIccId": {"hr": -2147467259}},
                        "connectionProfiles": ["<a/>", {"xml": {"hr": "0x1", "value": "<b/>"}},
                                               {"xml": {"hr": "0x80004005"}}, {"hr": "0x8007000E"}]}]})");
    EXPECT_EQ(s.interfaceManager.status, REGDB_E_CLASSNOTREG);
    const Interface& i = s.interfaces.value.items[0].value;
    EXPECT_EQ(i.readyState.status, S_FALSE);
    EXPECT_EQ(i.readyState.value, MBN_READY_STATE_INITIALIZED);
    EXPECT_EQ(i.signal.status, E_FAIL);
    EXPECT_EQ(i.subscriber.value.simIccId.status, E_FAIL);
    const auto& profiles = i.connectionProfiles.value.items;
    ASSERT_EQ(profiles.size(), 4u);
    EXPECT_EQ(profiles[0].value.xml.value, u"<a/>");
    EXPECT_EQ(profiles[1].value.xml.status, S_FALSE);
    EXPECT_EQ(profiles[1].value.xml.value, u"<b/>");
    EXPECT_EQ(profiles[2].value.xml.status, E_FAIL);
    EXPECT_EQ(profiles[3].status, E_OUTOFMEMORY);
}

TEST(ScenarioLoaderValues, ArraysWithBoundsAndFaults) {
    Scenario s = Parse(R"({"interfaces": {"lbound": -2, "items": [{"hr": "0x80004005"}, {}],
                                          "uboundHr": "0x8002000B"}})");
    const auto& interfaces = s.interfaces.value;
    EXPECT_EQ(interfaces.lowerBound, -2);
    EXPECT_EQ(interfaces.lowerBoundStatus, S_OK);
    EXPECT_EQ(interfaces.upperBoundStatus, DISP_E_BADINDEX);
    ASSERT_EQ(interfaces.items.size(), 2u);
    EXPECT_EQ(interfaces.items[0].status, E_FAIL);
    EXPECT_FALSE(interfaces.items[1].Failed());
    EXPECT_EQ(Parse(R"({"interfaces": {"hr": "0x80070490"}})").interfaces.status,
              HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
}

TEST(ScenarioLoaderValues, AdaptersAndEvents) {
    Scenario s = Parse(R"({
        "adapters": [{"name": "wwan0", "description": "Modem"}, {"name": null}],
        "events": [{"event": "OnInterfaceRemoval", "afterMs": 3000, "interface": 1},
                   {"event": "OnRegisterStateChange"}]})");
    ASSERT_TRUE(s.adapters.has_value());
    ASSERT_EQ(s.adapters->size(), 2u);
    EXPECT_EQ((*s.adapters)[0].name, "wwan0");
    EXPECT_EQ((*s.adapters)[0].description, u"Modem");
    EXPECT_FALSE((*s.adapters)[1].name.has_value());
    ASSERT_EQ(s.events.size(), 2u);
    EXPECT_EQ(s.events[0].kind, EventKind::InterfaceRemoval);
    EXPECT_EQ(s.events[0].afterMs, 3000u);
    EXPECT_EQ(s.events[0].interfaceIndex, 1u);
    EXPECT_EQ(s.events[0].patch, nullptr);
    EXPECT_EQ(s.events[1].kind, EventKind::RegisterStateChange);
    EXPECT_EQ(s.events[1].afterMs, 0u);
}

// The loader checks a patch only where it touched the state; a sweep of
// pairs of patches over states in each form (lists, bounds, status forms)
// must give what checking the whole patched scenario gives: the same error
// at the first patch that breaks it, or none.
TEST(ScenarioLoaderErrors, PatchesAreCheckedAsTheWholeScenarioWouldBe) {
    const char* states[] = {
        R"({"interfaces": [{"signal": {"strength": 3}}]})",
        R"({"interfaces": {"items": [{}, {}], "lbound": 1}})",
        R"({"interfaces": {"items": [{}], "lbound": 2147483647}})",
        R"({"interfaces": {"hr": "0x1", "value": [{"readyState": 2}]}})",
        R"({"connectionManager": {"connections": {"hr": "0x1", "value": [{"connectionId": "c"}]}}})",
        R"({"connectionManager": {"connections": [{"connectionState": {"hr": "0x1", "value": {}}}]}})",
        R"({"adapters": [{"name": "a"}], "interfaceManager": {"hr": "0x80004005"}})",
    };
    const char* patches[] = {
        R"({"interfaces": {"lbound": 2147483647}})",
        R"({"interfaces": {"items": [{}, {}]}})",
        R"({"interfaces": {"hr": "0x80004005"}})",
        R"({"interfaces": {"hr": null}})",
        R"({"interfaces": {"hr": null, "value": null, "items": [{}]}})",
        R"({"interfaces": {"hr": "0x2"}})",
        R"({"interfaces": {"value": [{"readyState": "x"}]}})",
        R"({"interfaces": {"items": {"a": 1}, "uboundHr": "0x80004005"}})",
        R"({"interfaces": [{"signal": {"hr": "0x80004005"}}]})",
        R"({"connectionManager": {"connections": {"hr": "0x80004005"}}})",
        R"({"connectionManager": {"connections": {"hr": "0x80004005", "value": null}}})",
        R"({"connectionManager": {"connections": {"value": [{"connectionId": 5}]}}})",
        R"({"connectionManager": {"connections": {"lbound": 3}}})",
        R"({"connectionManager": {"connections": [{"connectionState": {"hr": "0x80004005"}}]}})",
        R"({"connectionManager": null, "interfaceManager": {"hr": null}})",
        R"({"adapters": {"name": "b"}})",
        R"({"adapters": null, "interfaceManager": {"x": 1}})",
    };
    using nlohmann::json;
    for (const char* state : states) {
        for (const char* first : patches) {
            for (const char* second : patches) {
                json file = json::parse(state);
                json events = json::array();
                for (const char* patch : {first, second})
                    events.push_back(
                        {{"event", "OnInterfaceArrival"}, {"patch", json::parse(patch)}});
                file["events"] = events;
                std::string expected = "(no error)";
                json whole = json::parse(state);
                for (std::size_t i = 0; i < events.size() && expected == "(no error)"; ++i) {
                    whole.merge_patch(events[i]["patch"]);
                    std::string error = ErrorOf(whole.dump());
                    if (error != "(no error)")
                        expected = "test.json: at events[" + std::to_string(i) +
                                   "].patch: the patched scenario is invalid at " +
                                   error.substr(std::string("test.json: at ").size());
                }
                SCOPED_TRACE(file.dump());
                EXPECT_EQ(ErrorOf(file.dump()), expected);
            }
        }
    }
}

TEST(ScenarioLoaderValues, PatchesBuildOnEachOther) {
    Scenario s = Parse(R"({
        "interfaces": [{"interfaceId": "A", "registration": {"registerState": 2}}],
        "adapters": [{"name": "A", "description": "Modem"}],
        "events": [
            {"event": "OnRegisterStateChange",
             "patch": {"interfaces": [{"interfaceId": "A", "registration": {"registerState": 3}}]}},
            {"event": "OnPacketServiceStateChange"},
            {"event": "OnInterfaceRemoval", "patch": {"interfaces": [], "adapters": null}}]})");
    ASSERT_EQ(s.events.size(), 3u);
    PatchedStates states(s.document);
    auto afterFirst = states.After(s.events[0]);
    ASSERT_NE(afterFirst, nullptr);
    const Scenario& first = *afterFirst;
    EXPECT_EQ(first.interfaces.value.items[0].value.registration.value.registerState.value,
              MBN_REGISTER_STATE_HOME);
    EXPECT_TRUE(first.adapters.has_value());  // untouched by the patch
    EXPECT_TRUE(first.events.empty());
    EXPECT_EQ(states.After(s.events[1]), nullptr);
    auto afterLast = states.After(s.events[2]);
    ASSERT_NE(afterLast, nullptr);
    const Scenario& last = *afterLast;
    EXPECT_TRUE(last.interfaces.value.items.empty());
    EXPECT_FALSE(last.adapters.has_value());  // null removes a key
    // The base state is not touched by its events.
    EXPECT_EQ(s.interfaces.value.items[0].value.registration.value.registerState.value,
              MBN_REGISTER_STATE_SEARCHING);
}

class ScenarioFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("paravue-scenarios-" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Write(const std::string& name, const std::string& text) {
        auto path = dir_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
    std::filesystem::path dir_;
};

TEST_F(ScenarioFiles, LoadsAFileAndNamesItInErrors) {
    std::string good = Write("good.json", R"({"interfaces": [{"interfaceId": "X"}]})");
    EXPECT_EQ(LoadScenarioFile(good).interfaces.value.items[0].value.interfaceId.value, u"X");

    std::string bad = Write("bad.json", "{\n\"interfaces\": 5}");
    try {
        LoadScenarioFile(bad);
        FAIL() << "no error";
    } catch (const ScenarioError& e) {
        EXPECT_EQ(std::string(e.what()),
                  bad +
                      ": at interfaces: expected a list or {\"lbound\": N, \"items\": [...]}, "
                      "found number");
    }
}

TEST_F(ScenarioFiles, UnreadablePathsSayWhy) {
    std::string missing = (dir_ / "missing.json").string();
    try {
        LoadScenarioFile(missing);
        FAIL() << "no error";
    } catch (const ScenarioError& e) {
        EXPECT_EQ(std::string(e.what()), missing + ": cannot read: No such file or directory");
    }
    try {
        LoadScenarioFile(dir_.string());
        FAIL() << "no error";
    } catch (const ScenarioError& e) {
        EXPECT_EQ(std::string(e.what()), dir_.string() + ": cannot read: Is a directory");
    }
}

}  // namespace
}  // namespace paravue::simulated
