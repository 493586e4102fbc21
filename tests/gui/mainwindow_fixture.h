#pragma once
// The main window shown and driven through its widgets: the fixture the
// window's tests share.
#include "viewer/ui/mainform.h"

#include "preview/dialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const QString kSamples = QStringLiteral(TARNEL_SOURCE_DIR "/samples");

struct Shown {
    tarnel::UiDialogs::Icon icon;
    std::string text;
};

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        savedCwd_ = QDir::currentPath();
        savedMessage_ = tarnel::Dialogs().Message;
        tarnel::Dialogs().Message = [this](QWidget*, tarnel::UiDialogs::Icon icon, const std::string& text) {
            messages.push_back({icon, text});
        };
    }
    void TearDown() override {
        w.reset();
        tarnel::Dialogs().Message = savedMessage_;
        QDir::setCurrent(savedCwd_);
    }

    // The window shown and activated, its default folder set to folder.
    TForm1& Open(const QString& folder) {
        w = std::make_unique<TForm1>();
        w->DefaultFolder = folder.toStdString();
        w->show();
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w->windowHandle()));
        return *w;
    }

    static void ClickItem(QListWidget* list, int row) {
        QListWidgetItem* item = list->item(row);
        ASSERT_NE(item, nullptr);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }

    static void PickFile(TForm1& f, const QString& name) {
        const auto items = f.FileListBox1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        ClickItem(f.FileListBox1, f.FileListBox1->row(items[0]));
    }

    static QStringList MemoLines(const TForm1& f) {
        return f.TextListBox1->toPlainText().split('\n');
    }

    static int CountPixels(const QImage& img, QRgb colour) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
        return n;
    }

    static QImage ViewPicture(TForm1& f) { return f.Image2->grab().toImage(); }

    static void Write(const QTemporaryDir& dir, const QString& name, const std::string& bytes) {
        std::ofstream(QDir(dir.path()).filePath(name).toStdString(), std::ios::binary) << bytes;
    }

    std::unique_ptr<TForm1> w;
    std::vector<Shown> messages;

private:
    QString savedCwd_;
    std::function<void(QWidget*, tarnel::UiDialogs::Icon, const std::string&)> savedMessage_;
};

inline std::string Module(const std::string& name, const std::string& extra = "") {
    return "$MODULE " + name + "\r\nLi " + name + "\r\n" + extra +
           "DS -1000 -500 1000 500 120 21\r\n$PAD\r\nSh \"1\" C 600 600 0 0 0\r\nDr 300 0 0\r\nAt STD N 00E0FFFF\r\n"
           "Po 0 0\r\n$EndPAD\r\n$EndMODULE " + name + "\r\n";
}

} // namespace
