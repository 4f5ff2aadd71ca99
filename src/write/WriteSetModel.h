#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "write/Write.h"

namespace hfp {

class Messages;

// What the "Write set" dialog does to the list of write sets, without a window: the selection
// and what it enables, adding, renaming, ordering and deleting sets, the visibility checks,
// and the questions before an import. It edits the CWrite it is given directly (as the user
// sees each change at once); the visibility checks reach the sets only when the dialog ends.
// Every message goes through `messages`.
class WriteSetModel {
  public:
    struct Row {
        bool visible;
        std::string name;
    };
    struct Enabled {
        bool up = false, down = false, remove = false, rename = false, exportSet = false,
             ok = false;
    };

    WriteSetModel(CWrite& write, Messages& messages);

    std::vector<Row> Rows() const;
    int selected() const { return m_selected; }
    // Selects a row (-1: none) and hands back the name box's new text.
    std::string Select(int row);
    void SetChecked(int row, bool visible);
    Enabled State() const;
    // Whether a double click on the row acts as OK.
    bool DoubleClickAccepts(int row) const;

    // The edits, each false (with its message shown) when refused.
    bool Add(const std::string& nameBox);
    bool Rename(const std::string& nameBox);
    void Move(bool up);
    bool Delete();

    // OK (true) or Cancel: the checks go into the sets; no set visible keeps the dialog open
    // (nullopt). Otherwise the index of the set to move to, or -1.
    std::optional<int> Finish(bool ok);

    // Export: the selected set, or -1 with its message.
    int ExportSet();
    // Import of `file`: the set to fill, made when needed, or -1 when the user said no or the
    // file cannot be read (said).
    int ImportTarget(const std::filesystem::path& file);
    // The two steps of it, for a file whose name is known only once it is read (GPX): the
    // selected set when the user wants the import there, else -1; and a new set of a unique
    // `name` once the user agrees (-1 when not, or when it cannot be added, said).
    int SelectedImportTarget();
    int NewImportSet(const std::string& name);

  private:
    bool NameTaken(const std::string& name, int except) const;

    CWrite& m_write;
    Messages& m_messages;
    std::vector<bool> m_checked;  // one per set, in list order
    int m_selected = -1;
};

}  // namespace hfp
