// One step after another of a differential-equation solver for
//     y'' + 3xy' + 3y = 0
// with the forward Euler method: a word-level data path (two multipliers,
// an adder, a subtractor, a comparator, operand multiplexers) and the
// controller that sequences it.
//
// Each iteration computes, from x, y, u = y' and the step dx:
//     u1 = u - 3*x*u*dx - 3*y*dx
//     y1 = y + u*dx
//     x1 = x + dx
// and stops when x1 reaches the bound a.
module diffeq_solver #(parameter W = 16) (
    input              clk,
    input              rst,
    input              start,
    input  [W-1:0]     x_in, y_in, u_in, dx_in, a_in,
    output [W-1:0]     y_out,
    output             done
);
  reg [W-1:0] x_var, y_var, u_var, dx_var, a_var;
  reg [W-1:0] t1, t2;  // products of the two multipliers
  reg [2:0]   state;

  localparam IDLE = 3'd0, MUL1 = 3'd1, MUL2 = 3'd2, UPD = 3'd3, TEST = 3'd4, DONE = 3'd5;

  // Operand selection: multiplier 1 forms 3*x then (3x)*u then u*dx,
  // multiplier 2 forms u*dx then 3*y*dx.
  wire [W-1:0] m1a = (state == MUL1) ? x_var : t1;
  wire [W-1:0] m1b = (state == MUL1) ? dx_var : u_var;
  wire [W-1:0] m2a = (state == MUL1) ? u_var : y_var;
  wire [W-1:0] m2b = dx_var;
  wire [W-1:0] p1 = m1a * m1b;
  wire [W-1:0] p2 = m2a * m2b;
  wire [W-1:0] three_p1 = p1 + p1 + p1;
  wire [W-1:0] u_next = u_var - t1 - t2;
  wire [W-1:0] x_next = x_var + dx_var;
  wire [W-1:0] y_next = y_var + t2;
  wire         go_on  = x_next < a_var;

  always @(posedge clk) begin
    if (rst) begin
      state <= IDLE;
    end else begin
      case (state)
        IDLE: if (start) state <= MUL1;
        MUL1: state <= MUL2;
        MUL2: state <= UPD;
        UPD:  state <= TEST;
        TEST: state <= go_on ? MUL1 : DONE;
        DONE: if (start) state <= MUL1;
        default: state <= IDLE;
      endcase
    end
  end

  always @(posedge clk) begin
    if (state == IDLE || state == DONE) begin
      if (start) begin
        x_var <= x_in; y_var <= y_in; u_var <= u_in; dx_var <= dx_in; a_var <= a_in;
      end
    end
    if (state == MUL1) begin t1 <= three_p1; t2 <= p2; end
    if (state == MUL2) begin t1 <= p1; t2 <= p2 + p2 + p2; end
    if (state == UPD) begin u_var <= u_next; x_var <= x_next; y_var <= y_next; end
  end

  assign y_out = y_var;
  assign done = state == DONE;
endmodule
