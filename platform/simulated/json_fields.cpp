#include "platform/simulated/json_fields.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <utility>
#include <vector>

#include "platform/utf.h"

namespace paravue::simulated::json {
namespace {

std::string RangeText(std::int64_t min, std::int64_t max) {
    return "from " + std::to_string(min) + " to " + std::to_string(max);
}

// "0x..." and hex digits; a value beyond 64 bits is read as the largest.
// False when the text is not that shape.
bool ParseHex(const std::string& text, std::uint64_t* value) {
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return false;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data() + 2, end, *value, 16);
    if (error == std::errc::result_out_of_range)
        *value = std::numeric_limits<std::uint64_t>::max();
    return stop == end && error != std::errc::invalid_argument;
}

// Builds the document from the parser's events (nlohmann's builder with a
// callback rescans the parent after every object or list: quadratic), checking
// duplicate keys and the bounds on the way, so that a document stops growing at
// them however the file is shaped.
class DocumentBuilder {
  public:
    Json Take() { return std::move(root_); }

    bool null() { return Add(nullptr); }
    bool boolean(bool value) { return Add(value); }
    bool number_integer(Json::number_integer_t value) { return Add(value); }
    bool number_unsigned(Json::number_unsigned_t value) { return Add(value); }
    bool number_float(Json::number_float_t value, const Json::string_t&) { return Add(value); }
    bool string(Json::string_t& value) { return Add(std::move(value)); }
    bool binary(Json::binary_t& value) { return Add(std::move(value)); }  // not in JSON text
    bool start_object(std::size_t) { return Open(Json::object()); }
    bool start_array(std::size_t) { return Open(Json::array()); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }

    bool key(Json::string_t& key) {
        Frame& object = frames_.back();
        auto [it, inserted] = object.value->get_ref<Json::object_t&>().try_emplace(std::move(key));
        if (!inserted) {
            object.key = &key;  // try_emplace leaves the key where it was
            Fail(Here(), "duplicate key");
        }
        object.key = &it->first;
        object.member = &it->second;
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const Json::exception& error) {
        if (const auto* malformed = dynamic_cast<const Json::parse_error*>(&error))
            throw *malformed;
        // A number beyond what a double holds (1e400): the only other error
        // JSON text raises. It sits where the next value would.
        std::string path = Here();
        if (!frames_.empty() && frames_.back().value->is_array())
            path = IndexPath(PathTo(frames_.size() - 1), frames_.back().items);
        Fail(path, "number too large");
    }

  private:
    struct Frame {
        Json* value;                       // the object or list being filled
        std::size_t items = 0;             // a list's items so far
        const std::string* key = nullptr;  // an object's current key
        Json* member = nullptr;            // and the value it holds
    };

    // Where the next value goes, counted against the bounds.
    Json* Slot() {
        Json* slot = &root_;
        if (!frames_.empty()) {
            Frame& parent = frames_.back();
            if (parent.value->is_array()) {
                if (parent.items == kMaxListItems)
                    Fail(PathTo(frames_.size() - 1),
                         "more than " + std::to_string(kMaxListItems) + " items in one list");
                ++parent.items;
                slot = &parent.value->get_ref<Json::array_t&>().emplace_back();
            } else {
                slot = parent.member;
            }
        }
        if (++values_ > kMaxScenarioValues)
            Fail(Here(), "more than " + std::to_string(kMaxScenarioValues) + " values in the file");
        return slot;
    }
    template <class Value>
    bool Add(Value&& value) {
        *Slot() = Json(std::forward<Value>(value));
        return true;
    }
    bool Open(Json empty) {
        Json* slot = Slot();
        if (frames_.size() >= kMaxScenarioDepth)
            Fail(Here(), "nested more than " + std::to_string(kMaxScenarioDepth) + " levels deep");
        *slot = std::move(empty);
        frames_.push_back({slot});
        return true;
    }
    bool Close() {
        frames_.pop_back();
        return true;
    }

    std::string Here() const { return PathTo(frames_.size()); }
    // The path of the value the first `depth` frames lead to.
    std::string PathTo(std::size_t depth) const {
        std::string path;
        for (std::size_t i = 0; i < depth; ++i) {
            const Frame& frame = frames_[i];
            if (frame.value->is_array())
                path = IndexPath(path, frame.items == 0 ? 0 : frame.items - 1);
            else
                path = KeyPath(path, frame.key ? std::string_view(*frame.key) : "");
        }
        return path;
    }

    Json root_;
    std::vector<Frame> frames_;
    std::size_t values_ = 0;
};

// The patch the next ObjectReader reads through (see OnlyPatched).
thread_local const Json* nextPatch = nullptr;

}  // namespace

Json ParseDocument(std::string_view text) {
    DocumentBuilder builder;
    if (!Json::sax_parse(text, &builder))
        Fail("", "not JSON");  // every error above throws; kept for the parser's contract
    return builder.Take();
}

OnlyPatched::OnlyPatched(const Json* patch) {
    nextPatch = patch;
}

OnlyPatched::~OnlyPatched() {
    nextPatch = nullptr;
}

void Fail(const std::string& path, const std::string& what) {
    throw PathError{path, what};
}

std::string KeyPath(const std::string& path, std::string_view key) {
    return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string IndexPath(const std::string& path, std::size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

std::int64_t ReadInteger(const Json& j, const std::string& path, std::int64_t min,
                         std::int64_t max) {
    auto outOfRange = [&] {
        Fail(path, "out of range: expected an integer " + RangeText(min, max));
    };
    // Compared unsigned first: past INT64_MAX the value would wrap.
    auto inRange = [&](std::uint64_t value) {
        if (value > static_cast<std::uint64_t>(max) || static_cast<std::int64_t>(value) < min)
            outOfRange();
        return static_cast<std::int64_t>(value);
    };
    if (j.is_number_unsigned())
        return inRange(j.get<std::uint64_t>());
    if (j.is_number_integer()) {
        auto value = j.get<std::int64_t>();
        if (value < min || value > max)
            outOfRange();
        return value;
    }
    if (j.is_number_float()) {
        // Integers too large for 64 bits also arrive here.
        Fail(path, "expected an integer " + RangeText(min, max) + ", found " + j.dump());
    }
    if (j.is_string()) {
        std::uint64_t value;
        if (!ParseHex(j.get_ref<const std::string&>(), &value))
            Fail(path,
                 "expected an integer or a hex string such as \"0x80000021\", found " + j.dump());
        return inRange(value);
    }
    Fail(path, std::string("expected an integer or a hex string, found ") + j.type_name());
}

VARIANT_BOOL ReadVariantBool(const Json& j, const std::string& path) {
    if (j.is_boolean())
        return j.get<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
    auto value = ReadInteger(j, path, std::numeric_limits<std::int16_t>::min(),
                             std::numeric_limits<std::uint16_t>::max());
    return static_cast<VARIANT_BOOL>(static_cast<std::uint16_t>(value));
}

String ReadString(const Json& j, const std::string& path) {
    if (j.is_null())
        return std::nullopt;
    if (!j.is_string())
        Fail(path, std::string("expected a string or null, found ") + j.type_name());
    return Utf8ToUtf16(j.get_ref<const std::string&>());
}

std::string ReadUtf8String(const Json& j, const std::string& path) {
    if (!j.is_string())
        Fail(path, std::string("expected a string, found ") + j.type_name());
    return j.get<std::string>();
}

ObjectReader::ObjectReader(const Json& j, std::string path)
    : j_(j), path_(std::move(path)), patch_(std::exchange(nextPatch, nullptr)) {
    if (!j_.is_object())
        Fail(path_, std::string("expected an object, found ") + j_.type_name());
}

void ObjectReader::RejectUnknownKeys() const {
    for (auto it = j_.begin(); it != j_.end(); ++it)
        if (std::find(known_.begin(), known_.end(), it.key()) == known_.end())
            Fail(KeyPath(path_, it.key()), "unknown key");
}

HRESULT ReadFailure(const Json& j, const std::string& path, const char* what) {
    auto status = ReadNumber<HRESULT>(j, path);
    if (SUCCEEDED(status))
        Fail(path, std::string(what) + " must be a failure status");
    return status;
}

void CheckUpperBound(LONG lowerBound, std::size_t count, const std::string& path) {
    std::int64_t upper = std::int64_t{lowerBound} + static_cast<std::int64_t>(count) - 1;
    if (upper > std::numeric_limits<LONG>::max())
        Fail(path, "the lower bound leaves no room for the items: the upper bound would pass " +
                       std::to_string(std::numeric_limits<LONG>::max()));
}

}  // namespace paravue::simulated::json
