#pragma once
// Reader of the program's help file (VornBack.hlp), a small text format of
// our own with topics found by context number.
//
// The file is UTF-8 text, lines ending in LF or CR LF:
//
//   VORNHELP 1                 first line other than comments: the format
//   ; a comment                a line starting with ';' is ignored anywhere
//   @topic 10 Contents         starts a topic: context number (1..2147483647,
//                              unique in the file), a space, its title
//   Text of a paragraph        consecutive lines form one paragraph; a blank
//   goes on here.              line ends it
//   == A heading               a heading inside the topic
//   - A list item              a bullet item; following lines indented by
//     continued here           two spaces continue it
//   [words](#20)               inside any text: a link to topic 20; anything
//                              else in brackets is plain text
//
// Nothing but comments and blank lines may come before the first topic.

#include "platform/Exception.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class EHelpFileError : public Exception {
public:
    using Exception::Exception;
};

enum THelpBlockKind { hbParagraph, hbHeading, hbBullet };

struct THelpBlock {
    THelpBlockKind Kind = hbParagraph;
    std::string Text; // lines joined by single spaces, links still in place
};

struct THelpTopic {
    int32_t Context = 0;
    std::string Title;
    std::vector<THelpBlock> Blocks;
};

// A piece of a block's text: plain when LinkContext is 0.
struct THelpSpan {
    std::string Text;
    int32_t LinkContext = 0;
};

class THelpFile {
public:
    // Throws EHelpFileError naming the line of the first fault.
    static THelpFile Parse(std::string_view text);
    // Reads and parses a file on the host; throws EHelpFileError when it
    // cannot be read, is larger than kMaxHelpFileSize or is malformed.
    static THelpFile Load(const std::string& hostPath);

    const THelpTopic* Find(int32_t context) const;
    const std::vector<THelpTopic>& Topics() const { return topics_; }

private:
    std::vector<THelpTopic> topics_;
};

inline constexpr size_t kMaxHelpFileSize = 4 * 1024 * 1024;

// Splits a block's text into plain runs and links.
std::vector<THelpSpan> SplitHelpLinks(std::string_view text);
