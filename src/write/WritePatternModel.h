#pragma once

#include <string>
#include <vector>

#include "write/WritePattern.h"

namespace hfp {

class Messages;

// What the "Write pattern" dialog does to the patterns, without a window: the selection and
// what it enables, adding the template object (the one selected object, if any) as a pattern,
// renaming, ordering and deleting. Edits go straight into the CWritePattern and stay whichever
// way the dialog ends. Every message goes through `messages`.
class WritePatternModel {
  public:
    struct Row {
        int32_t type;
        std::string name;
        std::string parameter;  // the prototype's status text
    };
    struct Enabled {
        bool up = false, down = false, remove = false, rename = false, select = false, add = false;
    };

    WritePatternModel(CWritePattern& patterns, const CWriteObject* templateObject,
                      Messages& messages);

    std::vector<Row> Rows() const;
    // The chosen pattern, -1 for none.
    int selected() const { return m_selected; }
    // Selects a row (-1: none) and hands back the name box's new text.
    std::string Select(int row);
    Enabled State() const;

    // The edits, each false (with its message shown) when refused.
    bool Add(const std::string& nameBox);
    bool Rename(const std::string& nameBox);
    void Move(bool up);
    bool Delete();

  private:
    CWritePattern& m_patterns;
    const CWriteObject* m_template;
    Messages& m_messages;
    int m_selected = -1;
};

}  // namespace hfp
