#include "platform/simulated/json_fields.h"

#include <limits>
#include <memory>
#include <set>
#include <vector>

#include "platform/utf.h"

namespace paravue::simulated::json {
namespace {

constexpr std::int64_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kMax32 = std::numeric_limits<std::uint32_t>::max();

std::string RangeText(std::int64_t min, std::int64_t max) {
    return "from " + std::to_string(min) + " to " + std::to_string(max);
}

// "0x..." with at most 16 hex digits; false when the text is not that shape.
bool ParseHex(const std::string& text, std::uint64_t* value) {
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return false;
    std::uint64_t result = 0;
    std::size_t digits = 0;
    for (std::size_t i = 2; i < text.size(); ++i) {
        char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
        if (result == 0 && digit == 0)
            continue;  // leading zeros do not count
        if (++digits > 16) {
            *value = std::numeric_limits<std::uint64_t>::max();
            return true;
        }
        result = result * 16 + digit;
    }
    *value = result;
    return true;
}

// Follows the parser through the document to know where it is. Copies (the
// parser keeps its own) share the position.
class DuplicateKeyCheck {
  public:
    // The path of the value the parser is at.
    std::string Here() const { return PathTo(frames_->size()); }

    bool operator()(int, Json::parse_event_t event, Json& parsed) {
        using Event = Json::parse_event_t;
        switch (event) {
            case Event::object_start:
            case Event::array_start:
                // Far deeper than any scenario; copying and patching such a
                // document would recurse that deep.
                if (frames_->size() >= kMaxDepth)
                    Fail(Here(), "nested more than " + std::to_string(kMaxDepth) + " levels deep");
                frames_->push_back({event == Event::array_start, 0, {}, {}});
                break;
            case Event::key: {
                Frame& object = frames_->back();
                object.key = parsed.get<std::string>();
                if (!object.keys.insert(object.key).second)
                    Fail(Here(), "duplicate key");
                break;
            }
            case Event::value:
                ElementDone();
                break;
            case Event::object_end:
            case Event::array_end:
                frames_->pop_back();
                ElementDone();
                break;
        }
        return true;
    }

  private:
    static constexpr std::size_t kMaxDepth = 64;
    struct Frame {
        bool isArray;
        std::size_t index;
        std::string key;
        std::set<std::string> keys;
    };
    void ElementDone() {
        if (!frames_->empty() && frames_->back().isArray)
            ++frames_->back().index;
    }
    // The path of the value the first `depth` frames lead to.
    std::string PathTo(std::size_t depth) const {
        std::string path;
        for (std::size_t i = 0; i < depth; ++i)
            path = (*frames_)[i].isArray ? IndexPath(path, (*frames_)[i].index)
                                         : KeyPath(path, (*frames_)[i].key);
        return path;
    }

    std::shared_ptr<std::vector<Frame>> frames_ = std::make_shared<std::vector<Frame>>();
};

}  // namespace

Json ParseDocument(std::string_view text) {
    DuplicateKeyCheck check;
    try {
        return Json::parse(text, check);
    } catch (const Json::out_of_range&) {
        // A number beyond what a double holds (1e400): the parser knows no place.
        Fail(check.Here(), "number too large");
    }
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
    if (j.is_number_unsigned()) {
        auto value = j.get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(max))
            outOfRange();
        return static_cast<std::int64_t>(value);
    }
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
        if (value > static_cast<std::uint64_t>(max))
            outOfRange();
        if (static_cast<std::int64_t>(value) < min)
            outOfRange();
        return static_cast<std::int64_t>(value);
    }
    Fail(path, std::string("expected an integer or a hex string, found ") + j.type_name());
}

std::uint32_t ReadBits32(const Json& j, const std::string& path) {
    return static_cast<std::uint32_t>(ReadInteger(j, path, kMin32, kMax32));
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

ObjectReader::ObjectReader(const Json& j, std::string path) : j_(j), path_(std::move(path)) {
    if (!j_.is_object())
        Fail(path_, std::string("expected an object, found ") + j_.type_name());
}

void ObjectReader::RejectUnknownKeys() const {
    for (auto it = j_.begin(); it != j_.end(); ++it)
        if (!known_.contains(it.key()))
            Fail(KeyPath(path_, it.key()), "unknown key");
}

bool IsStatusForm(const Json& j) {
    return j.is_object() && j.contains("hr");
}

HRESULT ReadBoundFault(const Json& j, const std::string& path) {
    HRESULT status = ReadHresult(j, path);
    if (SUCCEEDED(status))
        Fail(path, "a bound fault must be a failure status");
    return status;
}

void CheckUpperBound(LONG lowerBound, std::size_t count, const std::string& path) {
    std::int64_t upper = std::int64_t{lowerBound} + static_cast<std::int64_t>(count) - 1;
    if (upper > std::numeric_limits<LONG>::max())
        Fail(path, "the lower bound leaves no room for the items: the upper bound would pass " +
                       std::to_string(std::numeric_limits<LONG>::max()));
}

}  // namespace paravue::simulated::json
