// What --redact does to single values: masks that hide at least half, every
// digit of a number, pseudonyms, identifiers found inside other text, and
// profile XML written to fool a text scan.
#include <expat.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/capture/redaction.h"
#include "platform/utf.h"

namespace paravue::capture {
namespace {

bool WellFormed(std::u16string_view xml) {
    std::string text = Utf16ToUtf8(xml);
    XML_Parser parser = XML_ParserCreate("UTF-8");
    const bool ok =
        XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return ok;
}

TEST(Redaction, MasksHideAtLeastHalfOfAnyValueAndEveryDigitOfANumber) {
    struct Case {
        std::u16string masked, expected;
    };
    const Case cases[] = {
        {MaskKeeping(u"31015", kSubscriberIdKept), u"XXXXX"},  // as short as its prefix
        {MaskKeeping(u"310150123456", kSubscriberIdKept), u"31015XXXXXXX"},
        {MaskKeeping(u"8944123", kSimIccIdKept), u"XXXXXXX"},
        {MaskKeeping(u"8A3F12C4", kDeviceIdKept), u"XXXXXXXX"},                // a CDMA ESN
        {MaskKeeping(u"356938035643809", kDeviceIdKept), u"XXXXXXXXXXXXXXX"},  // 7 would show
        {MaskKeeping(u"3569380356438091", kDeviceIdKept), u"35693803XXXXXXXX"},
        {MaskKeeping(u"\U0001D7D7\U0001D7D7ab", 2), u"\U0001D7D7\U0001D7D7XX"},  // characters
        {MaskDigits(u"+44 7700 900123"), u"+XX XXXX XXXXXX"},
        {MaskDigits(u"\uFF0B\uFF14\uFF14 \uFF17\uFF17"), u"\uFF0BXX XX"},  // full-width
        {MaskDigits(u"\u0664\u0664-\u06F7\u06F7"), u"XX-XX"},              // Arabic-Indic
        {MaskDigits(u"tel \U0001D7D7\u2462\u00B9"), u"tel XXX"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.masked, c.expected) << Utf16ToUtf8(c.expected);
}

TEST(Redaction, FreeTextGetsAStablePseudonymAndKnownIdentifiersAreMaskedWhereverTheyAre) {
    using Stem = Redaction::Stem;
    Redaction r;
    EXPECT_EQ(r.SubscriberId(u"001010000000000"), u"00101XXXXXXXXXX");
    r.SimIccId(u"89440000000000000001");
    r.DeviceId(u"356938035643809");
    r.TelephoneNumber(u"+44 7700 900123");
    struct Case {
        std::u16string shown, expected;
    };
    const Case cases[] = {
        {r.Pseudonym(u"f3a9c2d41b7e0a55c6d8e9f0a1b2c3d4e5f60718", Stem::Interface), u"interface-1"},
        {r.Pseudonym(u"F3A9C2D41B7E0A55C6D8E9F0A1B2C3D4E5F60718", Stem::Connection),
         u"interface-1"},  // the adapter look-up ignores the case of A-Z
        {r.Pseudonym(u"Alice mobile +44 7700 900123 IMSI 001010000000000", Stem::Profile),
         u"profile-1"},
        {r.Pseudonym(u"Alice Smith work +447700900123", Stem::Profile), u"profile-2"},
        {r.Pseudonym(u"Alice mobile +44 7700 900123 IMSI 001010000000000", Stem::Profile),
         u"profile-1"},
        {r.Pseudonym(u"", Stem::Profile), u""},
        // Kernel device names name no one; enx<MAC> holds the hardware address.
        {r.Pseudonym(u"wwan0", Stem::Interface), u"wwan0"},
        {r.Pseudonym(u"wwp0s20f0u6i12", Stem::Adapter), u"wwp0s20f0u6i12"},
        {r.Pseudonym(u"enp0s31f6", Stem::Adapter), u"enp0s31f6"},
        {r.Pseudonym(u"enx0023a1b2c3d4", Stem::Adapter), u"adapter-1"},
        {r.Pseudonym(u"wg-alice-home", Stem::Adapter), u"adapter-2"},
        {r.Pseudonym(u"wwan0", Stem::Profile), u"profile-3"},  // only where a device name goes
        {r.KeptText(u"SM100 build 356938035643809"), u"SM100 build XXXXXXXXXXXXXXX"},
        {r.KeptText(u"apn.00101\uFF10\uFF10\uFF10\uFF10\uFF10\uFF10\uFF10\uFF10\uFF10\uFF10"),
         u"apn.XXXXXXXXXXXXXXX"},
        {r.KeptText(u"call +44 (7700) 900-123 or 07700 900123"),
         u"call +XX (XXXX) XXX-XXX or 077XX XXXXXX"},
        {r.KeptText(u"sim 89440000000000000001"), u"sim XXXXXXXXXXXXXXXXXXXX"},
        {r.KeptText(u"Example Net 00101"), u"Example Net 00101"},  // no identifier in it
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.shown, c.expected) << Utf16ToUtf8(c.expected);
}

TEST(Redaction, HostileProfileXmlKeepsNoSecretAndIsWrittenWellFormed) {
    struct Case {
        std::u16string xml;
        std::vector<std::u16string> secrets;
        bool withheld = false;
    };
    const std::u16string s = u"s3cr3t-Pw";
    const Case cases[] = {
        {u"<P><Password><![CDATA[]]>" + s + u"</Password></P>", {s}},
        {u"<P><Password><!-- note -->" + s + u"</Password></P>", {s, u"note"}},
        {u"<P><Password><?keep " + s + u"?>" + s + u"</Password></P>", {s}},
        {u"<P><Password>\r\n  " + s + u"</Password></P>", {s}},
        {u"<P><Password><![CDATA[a]]><![CDATA[" + s + u"]]></Password></P>", {s}},
        {u"<P><Password><v><w>" + s + u"</w></v></Password></P>", {s}},
        {u"<P Password=\"" + s + u"\"><Context Password='" + s + u"'/></P>", {s}},
        {u"<P><Password a=\"/>\">" + s + u"</Password></P>", {s}},
        {u"<P><b:Password xmlns:b=\"urn:x\">" + s + u"</b:Password></P>", {s}},
        {u"<P><UserName><Password>" + s + u"</Password></UserName></P>", {s}},
        {u"<P><UserName a=\">\">" + s + u"</UserName></P>", {s}},
        {u"<P><Notes>" + s + u"</Notes><Name>Alice mobile</Name></P>", {s, u"Alice"}},
        // The IMSI split over nodes is masked as one value: only its prefix shows.
        {u"<P><SubscriberID>00101<![CDATA[0123456789]]></SubscriberID></P>", {u"01234"}},
        {u"<!DOCTYPE P [<!ENTITY s \"" + s + u"\">]><P><Password>&s;</Password></P>", {s}, true},
        {u"<UserName a=\">\">" + s, {s}, true},
        {u"<P><Password>" + s + u"</Password></P><P/>", {s}, true},
        {std::u16string(u"<P>\0", 4) + s + u"</P>", {s}, true},
        {u"<?xml version=\"1.0\" encoding=\"Alice_7700900123\"?><P/>", {u"Alice"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.xml));
        const std::u16string out = Redaction().ProfileXml(c.xml);
        for (const std::u16string& secret : c.secrets)
            EXPECT_EQ(out.find(secret), std::u16string::npos) << Utf16ToUtf8(out);
        EXPECT_TRUE(WellFormed(out)) << Utf16ToUtf8(out);
        EXPECT_EQ(out == kWithheldProfileXml, c.withheld) << Utf16ToUtf8(out);
    }
    // What is neither masked nor free text stays readable.
    Redaction r;
    r.SubscriberId(u"001010000000000");
    EXPECT_EQ(r.ProfileXml(u"<?xml version=\"1.0\" encoding=\"utf-16\"?>\n<m:MBNProfile "
                           u"xmlns:m=\"urn:p\"><m:AccessString>a&amp;b.001010000000000"
                           u"</m:AccessString><m:IsDefault>true</m:IsDefault>\n<m:SubscriberID>"
                           u"001010000000000</m:SubscriberID></m:MBNProfile>"),
              u"<?xml version=\"1.0\" encoding=\"utf-16\"?><m:MBNProfile xmlns:m=\"urn:p\">"
              u"<m:AccessString>a&amp;b.XXXXXXXXXXXXXXX</m:AccessString><m:IsDefault>true"
              u"</m:IsDefault>\n<m:SubscriberID>00101XXXXXXXXXX</m:SubscriberID></m:MBNProfile>");
}

}  // namespace
}  // namespace paravue::capture
