// The per-thread engine that runs posted tasks.
//
// Any thread posts through the loop's task runner; the loop's own thread
// runs immediate tasks in posting order, delayed tasks by run time (equal
// run times in posting order), and holds non-nestable tasks back while a
// nested run loop is active. A RunLoop (base/run_loop.h) drives it:
//
//   MessageLoop loop(MessageLoop::TYPE_UI);
//   loop.task_runner()->PostTask(FROM_HERE, Bind(&Controller::Start, c));
//   RunLoop run_loop;
//   run_loop.Run();  // until run_loop.Quit() or its QuitClosure() runs
//
// Nesting: a RunLoop started inside a task runs no tasks while that task
// runs (a task must not be re-entered by its own loop); window messages,
// timers and I/O completions are still served. A nested run that should run
// tasks is started from a window message, as modal dialogs are.
//
// Lifetime: a loop belongs to the thread it is bound to and is destroyed
// there. Every task it accepted and did not run, also one posted while the
// destructor runs, is destroyed there without running; once the destructor
// has detached the loop, posts return false and release their task on the
// posting thread.
#ifndef BASE_MESSAGE_LOOP_MESSAGE_LOOP_H_
#define BASE_MESSAGE_LOOP_MESSAGE_LOOP_H_

#include <memory>

#include "base/callback.h"
#include "base/memory/scoped_refptr.h"
#include "base/message_loop/incoming_task_queue.h"
#include "base/message_loop/message_pump.h"
#include "base/message_loop/message_pump_win.h"
#include "base/message_loop/pending_task.h"
#include "base/observer_list.h"
#include "base/single_thread_task_runner.h"
#include "base/time/time.h"
#include "base/win/windows_types.h"

namespace base {

class RunLoop;
class ThreadTaskRunnerHandle;

namespace internal {
class MessageLoopTaskRunner;
}

class MessageLoop : public MessagePump::Delegate {
 public:
  enum Type {
    TYPE_DEFAULT = 0,
    TYPE_UI = 1,
    TYPE_CUSTOM = 2,  // the pump comes from a factory
    TYPE_IO = 3,
  };

  using MessagePumpFactoryCallback = Callback<std::unique_ptr<MessagePump>()>;

  // Told when the loop is about to be destroyed, on its thread.
  class DestructionObserver {
   public:
    virtual void WillDestroyCurrentMessageLoop() = 0;

   protected:
    virtual ~DestructionObserver() = default;
  };

  // Told before and after every task the loop runs.
  class TaskObserver {
   public:
    virtual void WillProcessTask(const PendingTask& pending_task) = 0;
    virtual void DidProcessTask(const PendingTask& pending_task) = 0;

   protected:
    virtual ~TaskObserver() = default;
  };

  // Told when a nested run loop starts.
  class NestingObserver {
   public:
    virtual void OnBeginNestedMessageLoop() = 0;

   protected:
    virtual ~NestingObserver() = default;
  };

  // Builds the loop and binds it to the calling thread, which must not have
  // one yet.
  explicit MessageLoop(Type type = TYPE_DEFAULT);
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;
  ~MessageLoop() override;

  // A loop not yet bound to a thread, for a thread object that binds it on
  // its own thread. Tasks may be posted at once; they run after the first
  // Run there. With a |pump_factory| the type is TYPE_CUSTOM.
  static std::unique_ptr<MessageLoop> CreateUnbound(
      Type type, MessagePumpFactoryCallback pump_factory);
  // Makes the pump and binds to the calling thread.
  void BindToCurrentThread();

  // The calling thread's loop, or null.
  static MessageLoop* current();

  static std::unique_ptr<MessagePump> CreateMessagePumpForType(Type type);

  // Adding an observer twice keeps one entry. Removing during a
  // notification is safe.
  void AddDestructionObserver(DestructionObserver* observer);
  void RemoveDestructionObserver(DestructionObserver* observer);
  // Adds a wrapper that records the adding call's stack and keeps it on the
  // stack while it tells |observer|, so a crash in the observer shows who
  // added it. Remove it with RemoveStackRecordingObserver.
  void AddStackRecordingObserver(DestructionObserver* observer);
  void RemoveStackRecordingObserver(DestructionObserver* observer);
  void AddNestingObserver(NestingObserver* observer);
  void RemoveNestingObserver(NestingObserver* observer);
  void AddTaskObserver(TaskObserver* observer);
  void RemoveTaskObserver(TaskObserver* observer);

  Type type() const { return type_; }
  bool IsType(Type type) const { return type_ == type; }

  const scoped_refptr<SingleThreadTaskRunner>& task_runner() const;

  // True while a RunLoop runs this loop.
  bool is_running() const { return run_loop_ != nullptr; }
  // True while more than one RunLoop runs this loop.
  bool IsNested() const;

  // The task being run, or null.
  const PendingTask* current_pending_task() const {
    return current_pending_task_;
  }

  // MessagePump::Delegate, called by the pump on the loop's thread.
  bool DoWork() override;
  bool DoDelayedWork(TimeTicks* next_delayed_work_time) override;
  bool DoIdleWork() override;

  // Tests start the sequence numbers near the 32-bit wrap.
  void SetNextSequenceNumberForTesting(int sequence_num);

 protected:
  MessagePump* pump() const { return pump_.get(); }

 private:
  friend class RunLoop;
  friend class internal::IncomingTaskQueue;

  MessageLoop(Type type, MessagePumpFactoryCallback pump_factory);

  // Runs the pump for the innermost RunLoop; called by RunLoop::Run.
  void RunHandler();
  void NotifyBeginNestedLoop();

  void RunTask(PendingTask* pending_task);
  // Runs |pending_task| now when the current run allows it, else defers it.
  bool DeferOrRunPendingTask(PendingTask pending_task);
  void AddToDelayedWorkQueue(PendingTask pending_task);
  bool DeletePendingTasks();
  void ReloadWorkQueue();
  void ScheduleWork();

  std::unique_ptr<MessagePump> pump_;
  const Type type_;
  TaskQueue work_queue_;
  int pending_high_res_tasks_ = 0;
  bool in_high_res_mode_ = false;
  DelayedTaskQueue delayed_work_queue_;
  // The clock read once per batch of ready delayed tasks.
  TimeTicks recent_time_;
  TaskQueue deferred_non_nestable_work_queue_;
  ObserverList<DestructionObserver> destruction_observers_;
  ObserverList<NestingObserver> nesting_observers_;
  // False while a task runs: a nested run inside a task runs no tasks.
  bool nestable_tasks_allowed_ = true;
  MessagePumpFactoryCallback pump_factory_;
  RunLoop* run_loop_ = nullptr;
  ObserverList<TaskObserver> task_observers_;
  const PendingTask* current_pending_task_ = nullptr;
  scoped_refptr<internal::IncomingTaskQueue> incoming_task_queue_;
  scoped_refptr<internal::MessageLoopTaskRunner> unbound_task_runner_;
  scoped_refptr<SingleThreadTaskRunner> task_runner_;
  std::unique_ptr<ThreadTaskRunnerHandle> thread_task_runner_handle_;
  DWORD thread_id_ = 0;
};

// A loop whose pump serves the thread's windows.
class MessageLoopForUI : public MessageLoop {
 public:
  MessageLoopForUI() : MessageLoop(TYPE_UI) {}
  // The calling thread's loop when it is a UI loop, else null.
  static MessageLoopForUI* current();
};

// A loop whose pump waits on an I/O completion port.
class MessageLoopForIO : public MessageLoop {
 public:
  MessageLoopForIO() : MessageLoop(TYPE_IO) {}
  // The calling thread's loop when it is an IO loop, else null.
  static MessageLoopForIO* current();

  using IOHandler = MessagePumpForIO::IOHandler;
  using IOContext = MessagePumpForIO::IOContext;

  // See MessagePumpForIO.
  bool RegisterIOHandler(HANDLE file_handle, IOHandler* handler);
  bool WaitForIOCompletion(DWORD timeout, IOHandler* filter);
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_LOOP_H_
