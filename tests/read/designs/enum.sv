module enum_m(input logic clk, input logic go, output logic busy);
  typedef enum logic [1:0] {IDLE, RUN, DONE} state_t;
  state_t state;
  always_ff @(posedge clk) case (state) IDLE: if (go) state <= RUN; RUN: state <= DONE; default: state <= IDLE; endcase
  assign busy = state == RUN;
endmodule
