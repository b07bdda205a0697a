// The JPEG encoder's stages arrive with their issue.
namespace {
[[maybe_unused]] constexpr int kPlaceholder = 0;
}
