// Column, item and sub-item operations of a list-view control.
//
// Each object holds a pointer back to the list view's wrapper and reaches
// the control through it on every call, so it stays valid while the
// wrapper lives. Indexes count from 0; an item that is not there is the
// index -1.
#pragma once

#include <windows.h>

#include <WindowPort.h>

class ListViewProp {
public:
    class Column {
    public:
        Column(WindowPort* view, int index) : view_(view), index_(index) {}
        int Index() const { return index_; }
        bool Text(const char* text);
        string Text() const;
        // Sizes the column once: to its widest item when content is true,
        // else to its header (the last column then fills the rest).
        bool AutoWidth(bool content);
        int Width() const;

    private:
        WindowPort* view_;
        int index_;
    };

    class Columns {
    public:
        explicit Columns(WindowPort* view) : view_(view) {}
        int Count() const;
        // A new column with text at index; -1 appends. Gives the column,
        // whose index is -1 when the control refused it.
        Column Insert(const char* text, int index = -1);
        Column operator[](int index) const { return Column(view_, index); }

    private:
        WindowPort* view_;
    };

    class SubItem {
    public:
        SubItem(WindowPort* view, int item, int sub) : view_(view), item_(item), sub_(sub) {}
        bool Text(const char* text);
        // Reads at most size - 1 characters into buffer, always terminated;
        // gives the number of characters read.
        int Text(char* buffer, int size) const;

    private:
        WindowPort* view_;
        int item_, sub_;
    };

    class Item {
    public:
        Item(WindowPort* view, int index) : view_(view), index_(index) {}
        int Index() const { return index_; }
        SubItem operator[](int sub) const { return SubItem(view_, index_, sub); }
        bool Selected(bool on);
        bool Selected() const;
        bool Focused(bool on);
        bool Focused() const;

    private:
        bool State(UINT mask, bool on);
        WindowPort* view_;
        int index_;
    };

    class Items {
    public:
        explicit Items(WindowPort* view) : view_(view) {}
        int Count() const;
        // A new item with the text of its first column at index; -1 appends.
        Item Insert(const char* text = "", int index = -1);
        // Deletes the item at index; -1 deletes all items.
        bool Delete(int index = -1);
        // The first item after start (-1: from the first) whose text is text,
        // case ignored; -1 when there is none.
        int Find(const char* text, int start = -1) const;
        // The first selected item after start (-1: from the first), or -1.
        int Selected(int start = -1) const;
        Item operator[](int index) const { return Item(view_, index); }

    private:
        WindowPort* view_;
    };
};
