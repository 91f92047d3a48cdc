#pragma once

#include <memory>
#include <string>

namespace corv {

// A URL as the stored settings keep it: its own text, relative to an optional
// base URL. Compared deeply.
class Url {
public:
    Url() = default;
    explicit Url(std::string relative, std::shared_ptr<const Url> base = nullptr)
        : relative_(std::move(relative)), base_(std::move(base)) {}

    // The file URL of a path; a relative path (the empty one included) is
    // resolved against the directory given, as "./" for the empty path.
    static Url fileFromPath(const std::string& path, const std::string& currentDirectory);

    const std::string& relative() const { return relative_; }
    const Url* base() const { return base_.get(); }
    const std::shared_ptr<const Url>& basePtr() const { return base_; }

    // The text with the base applied, as far as this program needs it:
    // an absolute text stands alone; a relative one is appended to its base.
    std::string absoluteString() const;

    // Whether a text can stand as a URL.
    static bool isValidText(const std::string& text);

    friend bool operator==(const Url& a, const Url& b);

private:
    std::string relative_;
    std::shared_ptr<const Url> base_;
};

} // namespace corv
