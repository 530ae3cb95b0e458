// A list of observers that its owner notifies, and that tolerates changes
// made by the observers while they are being notified.
//
//   class Engine {
//    public:
//     class Observer {
//      public:
//       virtual void OnProgress(int percent) = 0;
//      protected:
//       virtual ~Observer() = default;
//     };
//     void AddObserver(Observer* o) { observers_.AddObserver(o); }
//     void RemoveObserver(Observer* o) { observers_.RemoveObserver(o); }
//
//    private:
//     void ReportProgress(int percent) {
//       for (Observer& observer : observers_)
//         observer.OnProgress(percent);
//     }
//     ObserverList<Observer> observers_;
//   };
//
// During a notification an observer may add or remove observers (itself
// included), start a nested notification of the same list, or destroy the
// list's owner:
// - a removed observer that has not been notified yet is not notified;
// - an added observer is notified in the same pass for a NOTIFY_ALL list,
//   not before the next pass for a NOTIFY_EXISTING_ONLY list;
// - when the list is destroyed, every pass over it ends at once, without
//   touching the freed list. The code that notifies must then not touch its
//   own (destroyed) members after the loop either.
//
// The list does not own its observers. A list and every pass over it belong
// to one thread.
#ifndef BASE_OBSERVER_LIST_H_
#define BASE_OBSERVER_LIST_H_

#include <stddef.h>

#include <algorithm>
#include <iterator>
#include <limits>
#include <vector>

#include "base/logging.h"
#include "base/memory/weak_ptr.h"

namespace base {

template <class ObserverType>
class ObserverList {
 public:
  enum NotificationType {
    // Observers added during a pass are notified in that pass.
    NOTIFY_ALL = 0,
    // Only observers present when a pass began are notified in it.
    NOTIFY_EXISTING_ONLY = 1,
  };

  // One pass over the live observers. While any pass exists, removed
  // observers leave a null entry behind, so the indexes of the other passes
  // stay valid; the last pass to end removes those entries. A pass whose
  // list has been destroyed is at its end.
  class Iter {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = ObserverType;
    using difference_type = ptrdiff_t;
    using pointer = ObserverType*;
    using reference = ObserverType&;

    // The end of every pass.
    Iter() : index_(0), max_index_(0) {}
    explicit Iter(ObserverList* list)
        : list_(list->weak_factory_.GetWeakPtr()),
          index_(0),
          max_index_(list->type_ == NOTIFY_ALL
                         ? std::numeric_limits<size_t>::max()
                         : list->observers_.size()) {
      SkipRemoved();
      ++list->notify_depth_;
    }
    Iter(const Iter& other)
        : list_(other.list_),
          index_(other.index_),
          max_index_(other.max_index_) {
      if (ObserverList* list = list_.get())
        ++list->notify_depth_;
    }
    Iter& operator=(Iter other) {
      std::swap(list_, other.list_);
      std::swap(index_, other.index_);
      std::swap(max_index_, other.max_index_);
      return *this;
    }
    ~Iter() {
      ObserverList* list = list_.get();
      if (list && --list->notify_depth_ == 0)
        list->Compact();
    }

    bool operator==(const Iter& other) const {
      if (is_end() && other.is_end())
        return true;
      return list_.get() == other.list_.get() && index_ == other.index_;
    }
    bool operator!=(const Iter& other) const { return !(*this == other); }

    Iter& operator++() {
      if (list_.get()) {
        ++index_;
        SkipRemoved();
      }
      return *this;
    }

    // The current observer; null at the end.
    ObserverType* GetCurrent() const {
      return is_end() ? nullptr : list_.get()->observers_[index_];
    }
    ObserverType* operator->() const {
      ObserverType* current = GetCurrent();
      DCHECK(current);
      return current;
    }
    ObserverType& operator*() const { return *operator->(); }

   private:
    // The list may have grown or (after a nested pass) not; never read past
    // either its size or the size this pass is limited to.
    size_t Bound() const {
      return std::min(max_index_, list_.get()->observers_.size());
    }
    bool is_end() const {
      return !list_.get() || index_ >= Bound();
    }
    void SkipRemoved() {
      const std::vector<ObserverType*>& observers = list_.get()->observers_;
      size_t bound = Bound();
      while (index_ < bound && !observers[index_])
        ++index_;
    }

    WeakPtr<ObserverList> list_;
    size_t index_;
    size_t max_index_;
  };

  using iterator = Iter;

  explicit ObserverList(NotificationType type = NOTIFY_ALL)
      : notify_depth_(0), type_(type), weak_factory_(this) {}
  ObserverList(const ObserverList&) = delete;
  ObserverList& operator=(const ObserverList&) = delete;
  ~ObserverList() = default;

  // Adds |observer| unless it is in the list already.
  void AddObserver(ObserverType* observer) {
    DCHECK(observer);
    if (!observer ||
        std::find(observers_.begin(), observers_.end(), observer) !=
            observers_.end())
      return;
    observers_.push_back(observer);
  }

  // Removes |observer|, if present; it is not notified again, even by a pass
  // in progress.
  void RemoveObserver(const ObserverType* observer) {
    auto it = std::find(observers_.begin(), observers_.end(), observer);
    if (it == observers_.end())
      return;
    if (notify_depth_ == 0)
      observers_.erase(it);
    else
      *it = nullptr;
  }

  // Drops the entries of removed observers, keeping the order. Does nothing
  // while a pass is in progress, whose indexes must stay valid; the last
  // pass to end compacts the list itself.
  void Compact() {
    if (notify_depth_ != 0)
      return;
    observers_.erase(std::remove(observers_.begin(), observers_.end(), nullptr),
                     observers_.end());
  }

  Iter begin() { return Iter(this); }
  Iter end() { return Iter(); }

 private:
  std::vector<ObserverType*> observers_;
  // Passes in progress, nested ones included.
  int notify_depth_;
  const NotificationType type_;
  // Last, so passes in progress see the list as gone before any other member
  // is destroyed.
  WeakPtrFactory<ObserverList> weak_factory_;
};

}  // namespace base

#endif  // BASE_OBSERVER_LIST_H_
