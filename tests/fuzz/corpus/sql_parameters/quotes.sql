SELECT ':X', ":Y", `:Z`, [:W], [a]]:U], :V
