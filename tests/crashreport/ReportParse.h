#pragma once

#include <regex>
#include <string>
#include <vector>

// A report split into its parts, as the tests read it.
struct ReportFrame
{
    std::string module;
    std::string source;
    int line = 0;
    std::string function; // the name before its parameter list
    std::string text;     // the frame block's whole text
};

struct ReportBlock
{
    std::string title; // "Crashing Thread: " or "ThreadID: ..." line
    std::vector<ReportFrame> frames;
    std::string text;
};

inline std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start))
    {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    if (start < text.size())
    {
        lines.push_back(text.substr(start));
    }
    return lines;
}

inline std::string FunctionOf(const std::string& line)
{
    const std::string anonymous = "(anonymous namespace)";
    std::size_t from = 0;
    while (line.compare(from, anonymous.size(), anonymous) == 0)
    {
        from += anonymous.size() + 2;
    }
    const std::size_t open = line.find('(', from);
    return open == std::string::npos ? line : line.substr(0, open);
}

// The thread blocks of a report: the crashing stack and every "ThreadID:" block, with their frames.
inline std::vector<ReportBlock> ThreadBlocks(const std::string& report)
{
    const std::string threadSeparator(66, '=');
    const std::string frameSeparator(66, '-');
    std::vector<ReportBlock> blocks;
    ReportFrame* frame = nullptr;
    for (const std::string& line : SplitLines(report))
    {
        if (line == threadSeparator)
        {
            blocks.emplace_back();
            frame = nullptr;
            continue;
        }
        if (blocks.empty())
        {
            continue;
        }
        ReportBlock& block = blocks.back();
        block.text += line + "\r\n";
        if (block.title.empty())
        {
            block.title = line;
            continue;
        }
        if (line == frameSeparator)
        {
            block.frames.emplace_back();
            frame = &block.frames.back();
            continue;
        }
        if (frame == nullptr)
        {
            continue;
        }
        frame->text += line + "\r\n";
        static const std::regex sourceLine(R"((.*)\((-?\d+)\):)");
        std::smatch match;
        if (frame->function.empty() && frame->source.empty() && frame->line == 0 &&
            std::regex_match(line, match, sourceLine))
        {
            frame->source = match[1];
            frame->line = std::stoi(match[2]);
        }
        else if (frame->function.empty() && frame->source.empty() && frame->line == 0 && !line.empty() &&
                 line.back() == ':')
        {
            frame->module = line.substr(0, line.size() - 1);
        }
        else if (frame->function.empty() && line != "{" && line != "}")
        {
            frame->function = FunctionOf(line);
        }
    }
    return blocks;
}

// The first block whose title starts with `titleStart`, or null.
inline const ReportBlock* FindBlock(const std::vector<ReportBlock>& blocks, const std::string& titleStart)
{
    for (const ReportBlock& block : blocks)
    {
        if (block.title.rfind(titleStart, 0) == 0)
        {
            return &block;
        }
    }
    return nullptr;
}
